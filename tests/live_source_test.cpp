// Live sources (pipes and FIFOs): a line that has arrived is delivered at
// once, whatever comes after it. (Lines split across many short reads are
// the fuzzer's: its live sources hand over as little as one byte a read.)
// Each test that could block runs under a watchdog, so a regression fails in
// seconds instead of hanging the run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "support/api.h"
#include "support/files.h"

namespace lintrow::test {
namespace {

// Ends the process with a message when the scope is not left in time: a
// blocked read cannot be interrupted from a test.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : thread_([this, seconds] {
              std::unique_lock lock(mutex_);
              if (!woken_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  std::fprintf(stderr, "watchdog: %s blocked for %d s\n",
                               ::testing::UnitTest::GetInstance()->current_test_info()->name(), seconds);
                  _exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        woken_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool done_ = false;
    std::thread thread_;
};

void put(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string current_line() {
    HostBuffer buffer;
    api().CurrentRecord(buffer.slot(), MAX_LINE_LENGTH);
    return buffer.text();
}

// A FIFO in the temporary directory, removed when the object goes.
class Fifo {
public:
    Fifo() : path_(missing_path() + ".fifo") { EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0); }
    ~Fifo() { unlink(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

TEST(LiveSource, SelfFedPipeGivesEachLineWithoutClosingTheWriter) {
    Watchdog watchdog(20);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    put(ends[1], "alpha\nbeta\n");
    const std::string path = "/proc/self/fd/" + std::to_string(ends[0]);
    ASSERT_NE(api().PrepareFile(path.c_str()), HFILE_ERROR);
    EXPECT_EQ(api().NextLine(), 5);
    EXPECT_EQ(current_line(), "alpha");
    EXPECT_EQ(api().Pos(), 6);
    EXPECT_EQ(api().NextLine(), 4);
    EXPECT_EQ(current_line(), "beta");
    EXPECT_EQ(api().Pos(), 11);
    // The writer closes in the middle of a line: the piece it sent is the
    // last line, then the end (nothing consumed).
    put(ends[1], "gam");
    close(ends[1]);
    EXPECT_EQ(api().NextLine(), 3);
    EXPECT_EQ(current_line(), "gam");
    EXPECT_EQ(api().NextLine(), 0);
    EXPECT_EQ(api().Pos(), 14);
    EXPECT_EQ(api().CloseFile(), 0);
    close(ends[0]);
}

TEST(LiveSource, FifoWriterWaitingForEachAnswerIsAnswered) {
    Watchdog watchdog(20);
    Fifo fifo;
    std::mutex mutex;
    std::condition_variable answered;
    std::string answer;
    std::thread writer([&] {
        const int fd = open(fifo.path(), O_WRONLY);
        for (const char* request : {"one,1\n", "two,22\n", "three,333\n"}) {
            put(fd, request);
            std::unique_lock lock(mutex);
            answered.wait(lock, [&] { return !answer.empty(); });
            answer.clear();
        }
        close(fd);
    });
    ASSERT_NE(api().PrepareFile(fifo.path()), HFILE_ERROR);  // waits for the writer's open
    api().SetDelim(",");
    for (const char* expected : {"1", "22", "333"}) {
        ASSERT_GT(api().NextLine(), 0);
        EXPECT_EQ(api().Fields(), 2);
        HostBuffer field;
        api().GetField(2, field.slot(), MAX_LINE_LENGTH);
        EXPECT_EQ(field.text(), expected);
        std::lock_guard lock(mutex);
        answer = field.text();
        answered.notify_one();
    }
    writer.join();
    const int before = api().Pos();
    EXPECT_EQ(api().NextLine(), 0);
    EXPECT_EQ(api().Pos(), before);
    EXPECT_EQ(api().CloseFile(), 0);
}

}  // namespace
}  // namespace lintrow::test
