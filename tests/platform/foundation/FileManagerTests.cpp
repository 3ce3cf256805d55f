#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "platform/foundation/FileManager.h"
#include "tests/platform/foundation/TemporaryFolder.h"

using foundation_tests::TemporaryFolder;
using platform::FileManager;
using platform::SearchPathDirectory;
using platform::SearchPathDomain;
using platform::URL;

namespace {

class FileManagerTest : public ::testing::Test {
protected:
    void TearDown() override {
        FileManager::setSystemRoot(std::nullopt);
        FileManager::setHomeDirectory(std::nullopt);
    }

    std::vector<std::string> texts(const std::vector<URL>& urls) {
        std::vector<std::string> result;
        for (const auto& url : urls) result.push_back(url.absoluteString());
        return result;
    }

    std::shared_ptr<FileManager> files = FileManager::shared();
    TemporaryFolder folder;
};

}  // namespace

TEST_F(FileManagerTest, ListingKeepsFileSystemOrderHiddenItemsAndMarksFolders) {
    std::filesystem::create_directories(folder / "Mail.app/Contents");
    std::filesystem::create_directories(folder / "Sub Folder");
    foundation_tests::writeFile(folder / "Notes.app.zip", "z");
    foundation_tests::writeFile(folder / ".hidden", "h");
    foundation_tests::writeFile(folder / "Caf\xC3\xA9.txt", "c");
    std::filesystem::create_directory_symlink(folder / "Sub Folder", folder / "link");

    auto base = URL::fileURL(folder.path(), true);
    auto listed = files->contentsOfDirectory(base);
    ASSERT_TRUE(listed) << listed.error().description;
    std::vector<std::string> expected;
    for (const auto& name : foundation_tests::namesInFileSystemOrder(folder.path())) {
        bool isFolder = name == "Mail.app" || name == "Sub Folder";
        expected.push_back(base.appendingPathComponent(name, isFolder).absoluteString());
    }
    EXPECT_EQ(texts(*listed), expected);
    EXPECT_EQ(listed->size(), 6u);
    for (const auto& url : *listed) {
        bool endsWithSlash = url.absoluteString().back() == '/';
        EXPECT_EQ(endsWithSlash,
                  url.lastPathComponent() == "Mail.app" || url.lastPathComponent() == "Sub Folder")
            << url.absoluteString();
    }

    auto visible = files->contentsOfDirectory(base, {.skipsHiddenFiles = true});
    ASSERT_TRUE(visible);
    EXPECT_EQ(visible->size(), 5u);
    for (const auto& url : *visible) EXPECT_NE(url.lastPathComponent(), ".hidden");

    // A folder address without its trailing slash lists the same items.
    auto withoutSlash = files->contentsOfDirectory(URL::fileURL(folder.path(), false));
    ASSERT_TRUE(withoutSlash);
    EXPECT_EQ(texts(*withoutSlash), expected);
}

TEST_F(FileManagerTest, ListingFailsWithAnErrorForMissingFoldersFilesAndOtherAddresses) {
    foundation_tests::writeFile(folder / "file.txt", "x");

    auto missing = files->contentsOfDirectory(URL::fileURL(folder / "missing", true));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_NE(missing.error().description.find(folder / "missing"), std::string::npos);
    EXPECT_EQ(missing.error().description.find('\n'), std::string::npos);

    auto file = files->contentsOfDirectory(URL::fileURL(folder / "file.txt", false));
    ASSERT_FALSE(file);
    EXPECT_EQ(file.error().code, ENOTDIR);

    auto process = files->contentsOfDirectory(*URL::fromString("pid://123"));
    ASSERT_FALSE(process);
    EXPECT_EQ(process.error().code, EINVAL);
}

TEST_F(FileManagerTest, SystemRootServesTheSystemFoldersUnderTheirPlatformPaths) {
    std::filesystem::create_directories(folder / "Applications/Tools/Editor.app");
    std::filesystem::create_directories(folder / "Applications/Mail.app");
    std::filesystem::create_directories(folder / "System/Applications/Calculator.app");
    FileManager::setSystemRoot(folder.path() + "/");

    EXPECT_EQ(files->resolvedPath("/Applications/Mail.app"), folder / "Applications/Mail.app");
    EXPECT_EQ(files->resolvedPath("/Library"), folder / "Library");
    EXPECT_EQ(files->resolvedPath("/ApplicationsX"), "/ApplicationsX");
    EXPECT_EQ(files->resolvedPath("/tmp/x"), "/tmp/x");
    EXPECT_EQ(files->resolvedPath("Applications"), "Applications");

    bool isDirectory = false;
    EXPECT_TRUE(files->fileExists("/Applications/Tools/Editor.app", &isDirectory));
    EXPECT_TRUE(isDirectory);

    auto local = files->url(SearchPathDirectory::applicationDirectory, SearchPathDomain::local, true);
    auto system = files->url(SearchPathDirectory::applicationDirectory, SearchPathDomain::system, true);
    ASSERT_TRUE(local && system);
    EXPECT_EQ(local->absoluteString(), "file:///Applications/");
    EXPECT_EQ(system->absoluteString(), "file:///System/Applications/");

    auto schemeless = files->contentsOfDirectory(*URL::fromString("/Applications/"));
    ASSERT_TRUE(schemeless) << schemeless.error().description;
    auto names = texts(*schemeless);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"/Applications/Mail.app/", "/Applications/Tools/"}));

    auto calculator = files->contentsOfDirectory(*system);
    ASSERT_TRUE(calculator);
    EXPECT_EQ(texts(*calculator), std::vector<std::string>{"file:///System/Applications/Calculator.app/"});

    FileManager::setSystemRoot(std::nullopt);
    EXPECT_EQ(files->resolvedPath("/Applications/Mail.app"), "/Applications/Mail.app");
}

TEST_F(FileManagerTest, AtomicWriteReplacesWholeFilesAndLeavesNoTemporaryFile) {
    auto path = folder / "data.bin";
    std::string bytes("first\0with nul\n", 15);
    ASSERT_TRUE(files->writeAtomically(path, bytes));
    EXPECT_EQ(files->readFile(path), bytes);

    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(files->writeAtomically(path, "second"));
    EXPECT_EQ(files->readFile(path), "second");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(foundation_tests::sortedNames(folder.path()), std::vector<std::string>{"data.bin"});

    auto failed = files->writeAtomically(folder / "missing/data.bin", "x");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ENOENT);
    ASSERT_FALSE(files->writeAtomically(folder.path() + "/", "x"));
    EXPECT_EQ(foundation_tests::sortedNames(folder.path()), std::vector<std::string>{"data.bin"});

    EXPECT_EQ(files->readFile(folder / "absent"), std::nullopt);
    EXPECT_EQ(files->readFile(folder.path()), std::nullopt);
    ASSERT_TRUE(files->writeAtomically(folder / "empty", ""));
    EXPECT_EQ(files->readFile(folder / "empty"), "");
}

TEST_F(FileManagerTest, CreatingMovingAndRemovingItems) {
    EXPECT_EQ(files->createDirectory(folder / "a/b", false).error().code, ENOENT);
    ASSERT_TRUE(files->createDirectory(folder / "a/b/c", true));
    EXPECT_TRUE(files->createDirectory(folder / "a/b/c", true));
    EXPECT_EQ(files->createDirectory(folder / "a/b/c", false).error().code, EEXIST);
    foundation_tests::writeFile(folder / "file", "f");
    EXPECT_FALSE(files->createDirectory(folder / "file/sub", true));

    foundation_tests::writeFile(folder / "a/b/c/keep", "keep");
    foundation_tests::writeFile(folder / "other", "other");
    auto refused = files->moveItem(folder / "other", folder / "a/b/c/keep");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, EEXIST);
    EXPECT_EQ(files->readFile(folder / "a/b/c/keep"), "keep");
    EXPECT_EQ(files->readFile(folder / "other"), "other");
    ASSERT_TRUE(files->moveItem(folder / "other", folder / "a/moved"));
    EXPECT_FALSE(files->fileExists(folder / "other"));
    EXPECT_EQ(files->readFile(folder / "a/moved"), "other");
    EXPECT_EQ(files->moveItem(folder / "gone", folder / "x").error().code, ENOENT);

    ASSERT_TRUE(files->removeItem(folder / "a"));
    EXPECT_FALSE(files->fileExists(folder / "a"));
    EXPECT_EQ(files->removeItem(folder / "a").error().code, ENOENT);
}

TEST_F(FileManagerTest, AttributesReportKindSizeAndModificationDate) {
    foundation_tests::writeFile(folder / "file", "12345");
    timespec times[2] = {{1767225600, 0}, {1767225600, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "file").c_str(), times, 0), 0);
    auto attributes = files->attributesOfItem(folder / "file");
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->type, platform::FileType::regular);
    EXPECT_EQ(attributes->size, 5u);
    EXPECT_DOUBLE_EQ(attributes->modificationDate.timeIntervalSince1970(), 1767225600.5);

    std::filesystem::create_symlink(folder / "file", folder / "link");
    EXPECT_EQ(files->attributesOfItem(folder / "link")->type, platform::FileType::symbolicLink);
    EXPECT_EQ(files->attributesOfItem(folder.path())->type, platform::FileType::directory);
    EXPECT_EQ(files->attributesOfItem(folder / "absent").error().code, ENOENT);
}

TEST_F(FileManagerTest, UserDomainFoldersLiveInTheHomeFolderAndAreMadeOnRequest) {
    FileManager::setHomeDirectory(folder / "home");
    EXPECT_EQ(files->homeDirectoryForCurrentUser(), URL::fileURL(folder / "home", true));
    EXPECT_EQ(files->urls(SearchPathDirectory::cachesDirectory, SearchPathDomain::user),
              std::vector<URL>{URL::fileURL(folder / "home/.cache", true)});
    EXPECT_EQ(files->urls(SearchPathDirectory::applicationSupportDirectory, SearchPathDomain::user),
              std::vector<URL>{URL::fileURL(folder / "home/.local/share", true)});
    EXPECT_TRUE(files->urls(SearchPathDirectory::documentDirectory, SearchPathDomain::system).empty());
    EXPECT_FALSE(files->url(SearchPathDirectory::cachesDirectory, SearchPathDomain::local, true));

    auto documents = files->url(SearchPathDirectory::documentDirectory, SearchPathDomain::user, false);
    ASSERT_TRUE(documents);
    EXPECT_FALSE(files->fileExists(documents->path()));
    documents = files->url(SearchPathDirectory::documentDirectory, SearchPathDomain::user, true);
    ASSERT_TRUE(documents);
    EXPECT_EQ(documents->path(), folder / "home/Documents");
    bool isDirectory = false;
    EXPECT_TRUE(files->fileExists(documents->path(), &isDirectory));
    EXPECT_TRUE(isDirectory);
}

TEST_F(FileManagerTest, OnlyRegularFilesWithinTheLimitAreRead) {
    foundation_tests::writeFile(folder / "small", "12345");
    std::filesystem::create_symlink(folder / "small", folder / "link");
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    struct Case {
        const char* name;
        std::uint64_t limit;
        int error;  // 0: read
    };
    for (const auto& [name, limit, error] :
         {Case{"small", 5, 0}, Case{"link", 5, 0}, Case{"small", 4, EFBIG}, Case{"folder", 5, EISDIR},
          Case{"fifo", 5, EINVAL}, Case{"zero", 5, EINVAL}, Case{"missing", 5, ENOENT}}) {
        SCOPED_TRACE(name);
        auto contents = files->contentsOfFile(folder / name, limit);
        if (error == 0) {
            ASSERT_TRUE(contents);
            EXPECT_EQ(*contents, "12345");
        } else {
            ASSERT_FALSE(contents);
            EXPECT_EQ(contents.error().code, error);
        }
    }
}
