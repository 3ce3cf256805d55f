#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "platform/foundation/BoundedFile.h"
#include "tests/support/TemporaryFolder.h"

namespace fs = std::filesystem;

TEST(BoundedFile, ReadsOnlyRegularFilesWithinTheLimitAndSaysWhyItRefuses) {
    test_support::TemporaryFolder folder;
    const auto path = folder / "file";
    // A socket bound at the path, as a program may leave one.
    const auto bindSocket = [&] {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    };
    struct Case {
        const char* what;
        std::function<void()> make;
        int code;
        const char* said;
    };
    const Case cases[] = {
        {"a file at the limit", [&] { test_support::writeFile(path, "12345"); }, 0, ""},
        {"a link to one",
         [&] {
             test_support::writeFile(folder / "real", "12345");
             fs::create_symlink(folder / "real", path);
         },
         0, ""},
        {"a file past the limit", [&] { test_support::writeFile(path, "123456"); }, EFBIG,
         "more than 5 bytes"},
        {"a FIFO", [&] { ::mkfifo(path.c_str(), 0600); }, EINVAL, "it is a FIFO, not a regular file"},
        {"a link to an endless device", [&] { fs::create_symlink("/dev/zero", path); }, EINVAL,
         "it is a device"},
        {"a socket", bindSocket, EINVAL, "it is a socket"},
        {"a folder", [&] { fs::create_directory(path); }, EISDIR, "it is a folder"},
        {"nothing", [] {}, ENOENT, "No such file"},
    };
    for (const auto& [what, make, code, said] : cases) {
        make();
        auto read = platform::readBoundedFile(path, 5);
        EXPECT_EQ(read ? 0 : read.error().code, code) << what;
        if (read)
            EXPECT_EQ(*read, "12345") << what;
        else
            EXPECT_NE(read.error().description.find(said), std::string::npos) << read.error().description;
        fs::remove(path);
    }
}
