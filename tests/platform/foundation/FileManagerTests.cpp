#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/foundation/FileManager.h"
#include "tests/support/TemporaryFolder.h"

using namespace test_support;
using namespace platform;
namespace fs = std::filesystem;

using Listing = std::variant<std::vector<std::string>, int>;

class FileManagerTest : public ::testing::Test {
protected:
    void TearDown() override {
        FileManager::setSystemRoot(std::nullopt);
        FileManager::setHomeDirectory(std::nullopt);
    }
    Listing listing(const URL& url, bool skipsHiddenFiles = false) const {
        auto listed = files->contentsOfDirectory(url, {.skipsHiddenFiles = skipsHiddenFiles});
        if (!listed) return listed.error().code;
        std::vector<std::string> texts;
        for (const auto& item : *listed) texts.push_back(item.absoluteString());
        return texts;
    }
    std::shared_ptr<FileManager> files = FileManager::shared();
    TemporaryFolder folder;
};

TEST_F(FileManagerTest, ListingKeepsFileSystemOrderAndHiddenItemsMarksFoldersOrSaysWhyItFailed) {
    for (auto* path : {"Mail.app/Contents", "Sub Folder"}) fs::create_directories(folder / path);
    for (auto* name : {"Notes.app.zip", ".hidden", "Caf\xC3\xA9.txt"}) writeFile(folder / name, "x");
    fs::create_directory_symlink(folder / "Sub Folder", folder / "link");
    auto base = URL::fileURL(folder.path(), true);
    std::vector<std::string> all, visible;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        auto name = entry.path().filename().string();
        all.push_back(
            base.appendingPathComponent(name, name == "Mail.app" || name == "Sub Folder").absoluteString());
        if (name != ".hidden") visible.push_back(all.back());
    }
    EXPECT_EQ(listing(base), Listing(all));
    EXPECT_EQ(listing(base, true), Listing(visible));
    EXPECT_EQ(listing(URL::fileURL(folder / "missing", true)), Listing(ENOENT));
    EXPECT_EQ(listing(URL::fileURL(folder / "Notes.app.zip", false)), Listing(ENOTDIR));
    EXPECT_EQ(listing(*URL::fromString("pid://123")), Listing(EINVAL));
}

TEST_F(FileManagerTest, SystemFoldersLiveUnderTheSystemRootAndUserFoldersInTheHomeMadeOnRequest) {
    fs::create_directories(folder / "System/Applications/Calculator.app");
    FileManager::setSystemRoot(folder.path() + "/");
    EXPECT_EQ(files->resolvedPath("/Applications/Tools"), folder / "Applications/Tools");
    for (auto* own : {"/ApplicationsX", "/tmp/x", "Applications"}) EXPECT_EQ(files->resolvedPath(own), own);
    EXPECT_EQ(listing(*files->url(SearchPathDirectory::applicationDirectory, SearchPathDomain::system, true)),
              Listing(std::vector<std::string>{"file:///System/Applications/Calculator.app/"}));
    EXPECT_EQ(listing(*URL::fromString("/System/Applications/")),
              Listing(std::vector<std::string>{"/System/Applications/Calculator.app/"}));
    FileManager::setHomeDirectory(folder / "home");  // documents and caches: see the stores' tests
    EXPECT_EQ(files->urls(SearchPathDirectory::applicationSupportDirectory, SearchPathDomain::user),
              std::vector{URL::fileURL(folder / "home/.local/share", true)});
    EXPECT_TRUE(files->urls(SearchPathDirectory::documentDirectory, SearchPathDomain::system).empty());
    EXPECT_FALSE(files->url(SearchPathDirectory::cachesDirectory, SearchPathDomain::local, true));
    EXPECT_TRUE(files->url(SearchPathDirectory::documentDirectory, SearchPathDomain::user, false));
    EXPECT_FALSE(fs::exists(folder / "home/Documents"));
    EXPECT_TRUE(files->url(SearchPathDirectory::documentDirectory, SearchPathDomain::user, true) &&
                fs::is_directory(folder / "home/Documents"));
}

TEST_F(FileManagerTest, AtomicWriteReplacesWholeFilesKeepsTheModeAndLeavesNoTemporaryFile) {
    auto path = folder / "data.bin";
    std::string bytes("first\0with nul\n", 15);
    ASSERT_TRUE(files->writeAtomically(path, bytes));
    EXPECT_EQ(files->readFile(path), bytes);
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(files->writeAtomically(path, "second"));
    EXPECT_EQ(files->readFile(path), "second");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(files->writeAtomically(folder / "missing/data.bin", "x").error().code, ENOENT);
    EXPECT_FALSE(files->writeAtomically(folder.path() + "/", "x"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1) << "only data.bin";
}

TEST_F(FileManagerTest, OnlyRegularFilesWithinTheLimitAreRead) {
    writeFile(folder / "small", "12345");
    fs::create_symlink(folder / "small", folder / "link");
    fs::create_directory(folder / "folder");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder / "zero");
    // The error says why: the kind of file, or the limit.
    using Case = std::tuple<const char*, std::uint64_t, int, const char*>;  // 0: read
    for (const auto& [name, limit, error, said] :
         {Case{"small", 5, 0, ""}, Case{"link", 5, 0, ""}, Case{"small", 4, EFBIG, "more than 4 bytes"},
          Case{"folder", 5, EISDIR, "it is a folder"}, Case{"fifo", 5, EINVAL, "it is a FIFO, not a regular"},
          Case{"zero", 5, EINVAL, "it is a device"}, Case{"missing", 5, ENOENT, "No such file"}}) {
        auto contents = files->contentsOfFile(folder / name, limit);
        EXPECT_EQ(contents ? 0 : contents.error().code, error) << name;
        EXPECT_EQ(contents ? *contents : std::string(), error ? "" : "12345") << name;
        EXPECT_NE((contents ? std::string() : contents.error().description).find(said), std::string::npos)
            << name;
    }
    EXPECT_EQ(files->readFile(folder / "folder"), std::nullopt);
}

TEST_F(FileManagerTest, CreatingMovingAndRemovingItemsAndTheirAttributes) {
    EXPECT_EQ(files->createDirectory(folder / "a/b", false).error().code, ENOENT);
    ASSERT_TRUE(files->createDirectory(folder / "a/b/c", true));
    EXPECT_TRUE(files->createDirectory(folder / "a/b/c", true));
    EXPECT_EQ(files->createDirectory(folder / "a/b/c", false).error().code, EEXIST);
    writeFile(folder / "file", "12345");
    EXPECT_FALSE(files->createDirectory(folder / "file/sub", true));
    timespec times[2] = {{1767225600, 0}, {1767225600, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "file").c_str(), times, 0), 0);
    auto attributes = files->attributesOfItem(folder / "file").value();
    EXPECT_EQ(attributes.size, 5u);
    EXPECT_DOUBLE_EQ(attributes.modificationDate.timeIntervalSince1970(), 1767225600.5);
    fs::create_symlink(folder / "file", folder / "link");
    EXPECT_EQ(files->attributesOfItem(folder / "link")->type, FileType::symbolicLink);
    writeFile(folder / "a/b/c/keep", "keep");
    EXPECT_EQ(files->moveItem(folder / "file", folder / "a/b/c/keep").error().code, EEXIST);
    EXPECT_EQ(files->readFile(folder / "a/b/c/keep"), "keep");
    ASSERT_TRUE(files->moveItem(folder / "file", folder / "a/moved"));
    EXPECT_EQ(files->readFile(folder / "a/moved"), "12345");
    EXPECT_EQ(files->moveItem(folder / "gone", folder / "x").error().code, ENOENT);
    ASSERT_TRUE(files->removeItem(folder / "a"));
    EXPECT_EQ(files->removeItem(folder / "a").error().code, ENOENT);
}
