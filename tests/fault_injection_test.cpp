// Faults a real file cannot produce on demand, injected through the platform
// table: failed reads, short reads, failing closes, handles that must not be
// used again.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Lintrow.h"
#include "reader/reader_state.h"
#include "reader/scanner.h"
#include "support/fake_platform.h"

namespace lintrow::test {
namespace {

std::string current_line() { return std::string(line_text(Reader), static_cast<std::size_t>(Reader.LineLength)); }

// Lines of `width` characters numbered from 0, `count` of them.
std::string numbered_lines(int count, std::size_t width) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        std::string line = std::to_string(i) + ":";
        line.resize(width, static_cast<char>('a' + i % 26));
        bytes += line + "\n";
    }
    return bytes;
}

// Every line NextLine returns until `count` calls in a row returned 0.
std::vector<std::string> drain(int count = 3) {
    std::vector<std::string> lines;
    for (int empty = 0; empty < count;) {
        if (NextLine() == 0) {
            ++empty;
        } else {
            empty = 0;
            lines.push_back(current_line());
        }
    }
    return lines;
}

TEST(ZeroState, ScanAndCloseMakeNoPlatformCall) {
    FakePlatform platform;
    EXPECT_EQ(Fields(), 0);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(Fields(), 1);
    EXPECT_EQ(Pos(), 0);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
    EXPECT_EQ(platform.file().read_calls, 0) << "handle 0 would be standard input";
    EXPECT_EQ(platform.file().close_calls, 0);
}

TEST(FailedOpen, NoReadAndNoClose) {
    FakePlatform platform;
    platform.file().open_fails = true;
    EXPECT_EQ(PrepareFile("x"), HFILE_ERROR);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(Fields(), 1);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
    EXPECT_EQ(platform.file().read_calls, 0);
    EXPECT_EQ(platform.file().close_calls, 0);
}

TEST(Close, ClosedHandleIsNotHandedToThePlatformAgain) {
    FakePlatform platform;
    platform.file().content = "l1\nl2\nl3\n";
    ASSERT_EQ(PrepareFile("x"), 7);
    EXPECT_EQ(NextLine(), 2);
    EXPECT_EQ(CloseFile(), 0);
    const int reads = platform.file().read_calls;
    EXPECT_EQ(drain(), (std::vector<std::string>{"l2", "l3"}));
    EXPECT_EQ(platform.file().read_calls, reads) << "buffered lines need no read";
    EXPECT_EQ(Reader.BufferFill, -1) << "a fill after close reports a failed read";
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
    EXPECT_EQ(platform.file().close_calls, 1);
}

TEST(Close, FailedCloseIsReportedAndTheHandleRetired) {
    FakePlatform platform;
    platform.file().content = "a\n";
    platform.file().close_result = HFILE_ERROR;
    ASSERT_EQ(PrepareFile("x"), 7);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
    EXPECT_EQ(CloseFile(), HFILE_ERROR);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(platform.file().close_calls, 1);
    EXPECT_EQ(platform.file().read_calls, 0);
}

TEST(Prepare, SecondPrepareMakesNoCloseCall) {
    FakePlatform platform;
    ASSERT_EQ(PrepareFile("x"), 7);
    platform.file().handle = 8;
    ASSERT_EQ(PrepareFile("y"), 8);
    EXPECT_EQ(platform.file().close_calls, 0);
    EXPECT_EQ(CloseFile(), 0);
}

TEST(FailedRead, AtTheFirstFillYieldsAnEmptyLineThenRetries) {
    FakePlatform platform;
    platform.file().content = "abc\ndef\n";
    platform.file().failing_reads = {1, 2};
    ASSERT_EQ(PrepareFile("x"), 7);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(Reader.BufferFill, -1);
    EXPECT_EQ(NextLine(), 0);
    EXPECT_EQ(drain(), (std::vector<std::string>{"abc", "def"}));
    EXPECT_EQ(Pos(), 8);
}

TEST(FailedRead, MidLineReturnsWhatWasStoredAndTheRestComesAsItsOwnLine) {
    // The line "boundary" straddles the first fill; the second fill fails once.
    FakePlatform platform;
    std::string head(READ_BUFFER_SIZE - 4, 'h');
    head[head.size() - 1] = '\n';
    platform.file().content = head + "boundary\nlast\n";
    platform.file().failing_reads = {2};
    ASSERT_EQ(PrepareFile("x"), 7);
    for (int i = 0; i < 31; ++i) ASSERT_EQ(NextLine(), 1024);
    ASSERT_EQ(NextLine(), static_cast<int>(head.size()) - 1 - 31 * 1024);
    EXPECT_EQ(NextLine(), 4);
    EXPECT_EQ(current_line(), "boun");
    EXPECT_EQ(Pos(), READ_BUFFER_SIZE);
    EXPECT_EQ(drain(), (std::vector<std::string>{"dary", "last"}));
    EXPECT_EQ(Pos(), static_cast<int>(platform.file().content.size()));
}

TEST(FailedRead, AfterAPartialReadKeepsTheBytesAlreadyRead) {
    FakePlatform platform;
    platform.file().content = "abcdef\nghi\n";
    platform.file().chunk = 3;
    platform.file().failing_reads = {2};
    ASSERT_EQ(PrepareFile("x"), 7);
    // "abc" arrived before the failure: delivered, and taken as a short fill.
    EXPECT_EQ(NextLine(), 3);
    EXPECT_EQ(current_line(), "abc");
    EXPECT_EQ(drain(), (std::vector<std::string>{"def", "ghi"}));
    EXPECT_EQ(Pos(), 11);
}

TEST(FailedRead, EveryReadFailingNeverLoopsOrDelivers) {
    FakePlatform platform;
    platform.file().content = "abc\n";
    for (int i = 1; i <= 10; ++i) platform.file().failing_reads.insert(i);
    ASSERT_EQ(PrepareFile("x"), 7);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(NextLine(), 0);
    EXPECT_EQ(platform.file().read_calls, 10) << "one read attempt per scan";
    EXPECT_EQ(drain(), (std::vector<std::string>{"abc"}));
}

TEST(ShortReads, LinesArriveWholeWhateverTheReadSize) {
    const std::string content = numbered_lines(900, 70) + "no final line feed";
    std::vector<std::string> expected;
    {
        FakePlatform platform;
        platform.file().content = content;
        ASSERT_EQ(PrepareFile("x"), 7);
        expected = drain();
    }
    ASSERT_EQ(expected.size(), 901u);
    for (std::size_t chunk : {1u, 7u, 4096u, 32767u}) {
        SCOPED_TRACE(chunk);
        FakePlatform platform;
        platform.file().content = content;
        platform.file().chunk = chunk;
        ASSERT_EQ(PrepareFile("x"), 7);
        EXPECT_EQ(drain(), expected);
        EXPECT_EQ(Pos(), static_cast<int>(content.size()));
    }
}

TEST(FaultyPlatform, ReadClaimingMoreThanAskedNeverOverrunsTheBuffer) {
    FakePlatform platform;
    platform.file().content = std::string(40000, 'z');
    platform.file().claims_more = true;
    ASSERT_EQ(PrepareFile("x"), 7);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(NextLine(), 1024);
    EXPECT_EQ(Reader.BufferFill, READ_BUFFER_SIZE);
    EXPECT_EQ(Pos(), READ_BUFFER_SIZE);
}

TEST(ScanPaths, EachPathTheCpuRunsCanBeChosen) {
    FakePlatform platform;
    platform.file().content = "a,b\n";
    EXPECT_TRUE(use_scan_path(ScanPath::Scalar));
    EXPECT_EQ(scan_path(), ScanPath::Scalar);
    for (const NamedScanPath& named : kScanPaths) {
        if (!use_scan_path(named.path)) continue;
        EXPECT_EQ(scan_path(), named.path);
        ASSERT_EQ(PrepareFile("x"), 7);
        SetDelim(",");
        EXPECT_EQ(NextLine(), 3);
        EXPECT_EQ(Fields(), 2);
    }
    EXPECT_TRUE(use_scan_path(ScanPath::Best));
    EXPECT_NE(scan_path(), ScanPath::Best);
}

TEST(Position, WrapsAsA32BitCounterInsteadOfOverflowing) {
    FakePlatform platform;
    platform.file().content = "abcd\nef\n";
    ASSERT_EQ(PrepareFile("x"), 7);
    Reader.BytesConsumed = INT_MAX - 1;
    EXPECT_EQ(NextLine(), 4);
    EXPECT_EQ(Pos(), INT_MIN + 3);
    Reader.BytesConsumed = UINT32_MAX;
    EXPECT_EQ(NextLine(), 2);
    EXPECT_EQ(Pos(), 2);
}

}  // namespace
}  // namespace lintrow::test
