// Real files and sources a host may hand the library by mistake or by
// malice: binary data, NUL floods, huge lines, FIFOs, directories,
// unreadable files, absurd paths, devices, and files past 4 GiB.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Lintrow.h"
#include "support/files.h"

namespace lintrow::test {
namespace {

// Scans to the end of the file (a scan that consumes nothing) and returns
// every line as a copy shows it; also checks the invariants of each scan.
std::vector<std::string> read_all(std::int64_t* bytes = nullptr) {
    std::vector<std::string> lines;
    std::vector<char> text(MAX_LINE_LENGTH + 1);
    char* buffer = text.data();
    std::int64_t consumed = 0;
    for (;;) {
        const int before = Pos();
        const int length = NextLine();
        const auto step = static_cast<std::uint32_t>(Pos()) - static_cast<std::uint32_t>(before);
        EXPECT_GE(length, 0);
        EXPECT_LE(length, MAX_LINE_LENGTH);
        EXPECT_GE(Fields(), 1);
        EXPECT_LE(Fields(), length + 1);
        if (step == 0 && length == 0) break;
        consumed += step;
        EXPECT_EQ(CurrentRecord(&buffer, MAX_LINE_LENGTH), length);
        lines.emplace_back(buffer, static_cast<std::size_t>(length));
    }
    if (bytes != nullptr) *bytes = consumed;
    return lines;
}

TEST(HostileInput, BinaryFileIsReadToTheEndAndEveryByteCounted) {
    std::string bytes;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 300000; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 24);
    }
    TempFile file(bytes);
    ASSERT_NE(PrepareFile(file.path()), HFILE_ERROR);
    SetDelim("\xff");
    std::int64_t consumed = 0;
    const std::vector<std::string> lines = read_all(&consumed);
    EXPECT_EQ(consumed, static_cast<std::int64_t>(bytes.size()));
    std::size_t characters = 0;
    for (const std::string& line : lines) characters += line.size();
    std::size_t stored = 0;
    for (char ch : bytes) stored += ch != '\n' && ch != '\r' ? 1 : 0;
    EXPECT_EQ(characters, stored);
    EXPECT_EQ(CloseFile(), 0);
}

TEST(HostileInput, FileOfNulBytesSplitsIntoEmptyFields) {
    TempFile file(std::string(100000, '\0'));
    ASSERT_NE(PrepareFile(file.path()), HFILE_ERROR);  // the delimiter stays NUL
    ASSERT_EQ(NextLine(), 1024);
    EXPECT_EQ(Fields(), 1025);
    char text[8];
    char* buffer = text;
    EXPECT_EQ(GetField(1025, &buffer, 7), 0);
    std::int64_t consumed = 0;
    const std::vector<std::string> rest = read_all(&consumed);
    EXPECT_EQ(consumed + 1024, 100000);
    EXPECT_EQ(rest.size(), 100000 / 1024 - 1 + 1);
    EXPECT_EQ(CloseFile(), 0);
}

TEST(HostileInput, TenMegabyteLineComesInPiecesOf1024) {
    const std::size_t size = 10 * 1024 * 1024;
    std::string bytes(size, 'q');
    for (std::size_t i = 500; i < size; i += 1000) bytes[i] = ',';
    TempFile file(bytes + "\nend\n");
    ASSERT_NE(PrepareFile(file.path()), HFILE_ERROR);
    SetDelim(",");
    const std::vector<std::string> lines = read_all();
    ASSERT_EQ(lines.size(), size / 1024 + 1 + 1);  // the last piece, then "end"
    std::string joined;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) joined += lines[i];
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(lines.back(), "end");
    EXPECT_EQ(CloseFile(), 0);
}

TEST(HostileInput, SourcesThatAreNotFiles) {
    TempFile file("x");
    std::string directory = file.path();
    directory.resize(directory.find_last_of('/'));
    EXPECT_EQ(PrepareFile(directory.c_str()), HFILE_ERROR);
    EXPECT_EQ(PrepareFile((std::string(file.path()) + "/below-a-file").c_str()), HFILE_ERROR);
    EXPECT_EQ(PrepareFile(std::string(4096, 'p').c_str()), HFILE_ERROR);
    EXPECT_EQ(PrepareFile(("/" + std::string(4094, 'a')).c_str()), HFILE_ERROR);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);

    ASSERT_NE(PrepareFile("/dev/null"), HFILE_ERROR);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(Pos(), 0);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(CloseFile(), 0);
}

TEST(HostileInput, UnreadableFileFailsToOpen) {
    // Root reads any regular file; a write-only sysctl refuses even root.
    std::string path;
    std::unique_ptr<TempFile> file;
    if (geteuid() == 0) {
        path = "/proc/sys/vm/drop_caches";
        if (access(path.c_str(), F_OK) != 0) GTEST_SKIP() << "no write-only file to try";
    } else {
        file = std::make_unique<TempFile>("secret\n");
        path = file->path();
        ASSERT_EQ(chmod(path.c_str(), 0), 0);
    }
    EXPECT_EQ(PrepareFile(path.c_str()), HFILE_ERROR);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
}

// A FIFO fed in small pieces, with a timer signal interrupting the blocked
// reads: the lines still arrive whole.
void on_timer(int) {}

TEST(HostileInput, FifoFedInSmallPiecesDeliversWholeLines) {
    const std::string path = missing_path() + ".fifo";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::string expected;
    for (int i = 0; i < 200; ++i) expected += "record " + std::to_string(i) + ",with,fields\n";

    struct sigaction action {};
    action.sa_handler = on_timer;  // no SA_RESTART: reads fail with EINTR
    ASSERT_EQ(sigaction(SIGALRM, &action, nullptr), 0);
    itimerval every_ms{{0, 1000}, {0, 1000}};
    ASSERT_EQ(setitimer(ITIMER_REAL, &every_ms, nullptr), 0);

    // The timer must interrupt only the reader: a signal landing in the
    // writer's blocked open would end the writer before it ever opened, and
    // leave the reader waiting for it for ever.
    sigset_t timer_only;
    sigemptyset(&timer_only);
    sigaddset(&timer_only, SIGALRM);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &timer_only, nullptr), 0);
    std::thread writer([&] {
        const int fd = open(path.c_str(), O_WRONLY);
        for (std::size_t at = 0; at < expected.size(); at += 7) {
            const std::size_t piece = std::min<std::size_t>(7, expected.size() - at);
            while (write(fd, expected.data() + at, piece) < 0 && errno == EINTR) {
            }
            usleep(50);
        }
        close(fd);
    });
    ASSERT_EQ(pthread_sigmask(SIG_UNBLOCK, &timer_only, nullptr), 0);
    int handle;
    do {
        handle = PrepareFile(path.c_str());  // open blocks until the writer opens
    } while (handle == HFILE_ERROR && errno == EINTR);
    ASSERT_NE(handle, HFILE_ERROR);
    SetDelim(",");
    const std::vector<std::string> lines = read_all();
    writer.join();
    // The no-op handler stays: a signal still pending would otherwise kill.
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    ASSERT_EQ(lines.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(lines[static_cast<std::size_t>(i)], "record " + std::to_string(i) + ",with,fields");
    EXPECT_EQ(CloseFile(), 0);
    unlink(path.c_str());
}

TEST(HostileInput, FileLargerThan4GiBIsReadWholeAndPosWraps) {
    // Sparse: the holes read as NUL bytes and cost no disk.
    const std::int64_t size = (std::int64_t{1} << 32) + 4096 + 7;
    const std::string path = missing_path() + ".sparse";
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const auto put = [&](std::int64_t offset, const std::string& text) {
        ASSERT_EQ(pwrite(fd, text.data(), text.size(), offset), static_cast<ssize_t>(text.size()));
    };
    put(0, "first,line\n");
    put((std::int64_t{1} << 31) + 5, "\nmiddle,line\n");
    put(size - 6, "\nlast\n");
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);

    ASSERT_NE(PrepareFile(path.c_str()), HFILE_ERROR);
    SetDelim(",");
    std::vector<std::string> named;
    std::int64_t consumed = 0;
    bool pos_went_negative = false;
    std::vector<char> text(MAX_LINE_LENGTH + 1);
    char* buffer = text.data();
    for (;;) {
        const int before = Pos();
        const int length = NextLine();
        const auto step = static_cast<std::uint32_t>(Pos()) - static_cast<std::uint32_t>(before);
        if (step == 0 && length == 0) break;
        consumed += step;
        pos_went_negative |= Pos() < 0;
        if (length > 0 && CurrentRecord(&buffer, MAX_LINE_LENGTH) > 0 && buffer[0] != '\0') named.emplace_back(buffer);
    }
    unlink(path.c_str());
    EXPECT_EQ(consumed, size);
    EXPECT_TRUE(pos_went_negative) << "past 2^31 - 1 the counter wraps";
    EXPECT_EQ(Pos(), static_cast<int>(static_cast<std::uint32_t>(size)));
    EXPECT_EQ(named, (std::vector<std::string>{"first,line", "middle,line", "last"}));
    EXPECT_EQ(CloseFile(), 0);
}

}  // namespace
}  // namespace lintrow::test
