#include "common/file_kind.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/serializing.hpp"
#include "model/workspace_test_util.hpp"

TEST(FileKindTest, SpecialFilesAreNamedAndNeverWaitedFor) {
    lattrix_test::TempDir dir;
    const std::string plain = dir.file("doc.xml");
    const std::string fifo = dir.file("pipe");
    const std::string sock = dir.file("sock");
    lattrix_test::write_file(plain, "<workspace/>");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, sock.c_str(), sizeof(addr.sun_path) - 1);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);

    EXPECT_EQ(file_kind(plain), FileKind::REGULAR);
    EXPECT_EQ(file_kind(dir.file("missing")), FileKind::MISSING);
    EXPECT_EQ(special_file_problem(plain), "");
    EXPECT_EQ(special_file_problem(dir.file("missing")), "");
    EXPECT_EQ(special_file_problem(dir.path()),
              dir.path() + " is not a regular file: it is a folder");
    EXPECT_EQ(special_file_problem(fifo), fifo + " is not a regular file: it is a named pipe");
    EXPECT_EQ(special_file_problem("/dev/null"), "/dev/null is not a regular file: it is a device");
    EXPECT_EQ(special_file_problem(sock), sock + " is not a regular file: it is a socket");

    // Opening a named pipe for reading waits for a writer. Should the reader
    // wait, a writer comes after two seconds and the time tells.
    std::promise<void> done;
    std::thread writer([&fifo, finished = done.get_future()] {
        if (finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready) {
            return;
        }
        int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            close(fd);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.path()}) {
        SerializingReader reader(path);
        EXPECT_FALSE(reader.next()) << path;
        EXPECT_TRUE(reader.has_error()) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    done.set_value();
    writer.join();
    close(s);
}
