// How the loaded library opens, scans and closes files, seen from a host that
// bound the ten entry points by name. Runs against libLintrow.so and, under
// Wine, against Lintrow.dll.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/api.h"
#include "support/files.h"
#include "support/opened_file.h"

namespace lintrow::test {
namespace {

struct Step {
    int length;
    std::string line;  // as a copy shows it: NUL fill after a NUL byte
    int fields;
    int pos;
};

// Makes `count` scans with NextLine and records what each left behind.
std::vector<Step> scan(int count) {
    Api& L = api();
    std::vector<Step> steps;
    HostBuffer buffer;
    for (int i = 0; i < count; ++i) {
        const int length = L.NextLine();
        buffer.reset();
        const int copied = L.CurrentRecord(buffer.slot(), MAX_LINE_LENGTH);
        EXPECT_EQ(copied, length);
        steps.push_back({length, buffer.raw(static_cast<std::size_t>(copied)), L.Fields(), L.Pos()});
    }
    return steps;
}

void expect_steps(const std::vector<Step>& actual, const std::vector<Step>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("scan " + std::to_string(i + 1));
        EXPECT_EQ(actual[i].length, expected[i].length);
        EXPECT_EQ(actual[i].line, expected[i].line);
        EXPECT_EQ(actual[i].fields, expected[i].fields);
        EXPECT_EQ(actual[i].pos, expected[i].pos);
    }
}

std::string repeat(char ch, std::size_t count) { return std::string(count, ch); }

// Lines of 63 characters and LF, `lines` of them.
std::string block_of_lines(int lines) {
    std::string bytes;
    for (int i = 0; i < lines; ++i) {
        std::string line = "line " + std::to_string(i) + " ";
        line += repeat(static_cast<char>('a' + i % 26), 63 - line.size());
        bytes += line + "\n";
    }
    return bytes;
}

struct ScanCase {
    const char* name;
    std::string bytes;
    const char* delimiter;
    std::vector<Step> steps;
};

// Named, not dumped byte by byte (padding bytes are uninitialised).
void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

class ScanTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTable, EveryScanLeavesLineFieldsAndPosition) {
    const ScanCase& c = GetParam();
    Opened file(c.bytes, c.delimiter);
    expect_steps(scan(static_cast<int>(c.steps.size())), c.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScanTable,
    ::testing::Values(
        ScanCase{"LastLineWithoutLineFeed", "a,b\nc,d", ",", {{3, "a,b", 2, 4}, {3, "c,d", 2, 7}, {0, "", 1, 7}, {0, "", 1, 7}}},
        ScanCase{"CarriageReturnsDropped",
                 "x\r\ny\r\n\r\nz",
                 nullptr,
                 {{1, "x", 1, 3}, {1, "y", 1, 6}, {0, "", 1, 8}, {1, "z", 1, 9}, {0, "", 1, 9}}},
        ScanCase{"CarriageReturnInsideALine", "ab\rcd\n", nullptr, {{4, "abcd", 1, 6}, {0, "", 1, 6}}},
        ScanCase{"EmptyFile", "", ",", {{0, "", 1, 0}, {0, "", 1, 0}}},
        ScanCase{"OnlyLineFeeds", "\n\n", ",", {{0, "", 1, 1}, {0, "", 1, 2}, {0, "", 1, 2}}},
        ScanCase{"NulSplitsFieldsWhenItIsTheDelimiter", std::string("a\0b\n", 4), nullptr, {{3, std::string("a\0\0", 3), 2, 4}}},
        ScanCase{"NulIsACharacterOtherwise", std::string("a\0b\n", 4), ",", {{3, std::string("a\0\0", 3), 1, 4}}},
        ScanCase{"TrailingDelimiterMakesAnEmptyField", "a,b,\n", ",", {{4, "a,b,", 3, 5}}},
        ScanCase{"LineFeedIsNeverADelimiter", "a\nb\n", "\n", {{1, "a", 1, 2}, {1, "b", 1, 4}}},
        ScanCase{"CarriageReturnIsNeverADelimiter", "a\rb\n", "\r", {{2, "ab", 1, 4}}},
        ScanCase{"OnlyFirstByteOfDelimiterCounts", "a;b,c\n", ";,", {{5, "a;b,c", 2, 6}}},
        ScanCase{"ExactlyMaxLineThenLineFeed",
                 repeat('x', 1024) + "\nnext\n",
                 nullptr,
                 {{1024, repeat('x', 1024), 1, 1024}, {0, "", 1, 1025}, {4, "next", 1, 1030}}},
        ScanCase{"LongLineComesInPieces",
                 repeat('y', 1500) + "\n",
                 nullptr,
                 {{1024, repeat('y', 1024), 1, 1024}, {476, repeat('y', 476), 1, 1501}, {0, "", 1, 1501}}},
        ScanCase{"CarriageReturnsDoNotCountTowardsTheCut",
                 "\r" + repeat('z', 1023) + "\r\rZ\r\n",
                 nullptr,
                 {{1024, repeat('z', 1023) + "Z", 1, 1027}, {0, "", 1, 1029}}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(Scanner, FileOfExactlyOneFillEndingInLineFeed) {
    for (int fills : {1, 2}) {
        SCOPED_TRACE(fills);
        const std::string bytes = block_of_lines(512 * fills);
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(READ_BUFFER_SIZE * fills));
        Opened file(bytes);
        for (int i = 0; i < 512 * fills; ++i) ASSERT_EQ(api().NextLine(), 63) << i;
        EXPECT_EQ(api().Pos(), READ_BUFFER_SIZE * fills);
        EXPECT_EQ(api().NextLine(), 0);
        EXPECT_EQ(api().Fields(), 1);
        EXPECT_EQ(api().Pos(), READ_BUFFER_SIZE * fills);
        EXPECT_EQ(api().NextLine(), 0);
    }
}

TEST(Scanner, FileOfExactlyOneFillWithoutFinalLineFeed) {
    std::string bytes = block_of_lines(512);
    bytes.back() = 'E';  // the last line now ends with the file
    Opened file(bytes);
    for (int i = 0; i < 511; ++i) ASSERT_EQ(api().NextLine(), 63);
    HostBuffer last;
    ASSERT_EQ(api().GetLine(last.slot(), 100), 64);
    EXPECT_EQ(last.text(), bytes.substr(bytes.size() - 64));
    EXPECT_EQ(api().NextLine(), 0);
    EXPECT_EQ(api().Pos(), READ_BUFFER_SIZE);
}

TEST(Scanner, LineOfMaxDelimitersHasAnEntryForEveryField) {
    // The delimiter line sits near the end of the first fill; lines after it,
    // beyond the next fill, must come back intact.
    const std::string filler = block_of_lines(400);
    const std::string bytes = filler + repeat(',', 1024) + "\n" + block_of_lines(300);
    Opened file(bytes, ",");
    for (int i = 0; i < 400; ++i) ASSERT_EQ(api().NextLine(), 63);
    ASSERT_EQ(api().NextLine(), 1024);
    ASSERT_EQ(api().Fields(), 1025);
    for (int index = 1; index <= 1025; ++index) {
        HostBuffer field;
        ASSERT_EQ(api().GetField(index, field.slot(), 10), 0) << index;
        ASSERT_EQ(field.written(), 1u) << index;
        ASSERT_EQ(field.data()[0], '\0');
    }
    HostBuffer record;
    EXPECT_EQ(api().CurrentRecord(record.slot(), 2000), 1024);
    EXPECT_EQ(record.text(), repeat(',', 1024));
    EXPECT_EQ(api().NextLine(), 0);  // its line feed
    const std::string after = block_of_lines(300);
    for (int i = 0; i < 300; ++i) {
        HostBuffer line;
        ASSERT_EQ(api().GetLine(line.slot(), 100), 63) << i;
        ASSERT_EQ(line.text() + "\n", after.substr(static_cast<std::size_t>(i) * 64, 64)) << i;
        ASSERT_EQ(api().Fields(), 1);
    }
}

TEST(FileControl, DelimiterIsResetByPrepareFile) {
    TempFile file("a,b;c\n");
    api().SetDelim(",");
    ASSERT_NE(api().PrepareFile(file.path()), HFILE_ERROR);
    api().NextLine();
    EXPECT_EQ(api().Fields(), 1) << "SetDelim before PrepareFile is lost";
    api().CloseFile();

    ASSERT_NE(api().PrepareFile(file.path()), HFILE_ERROR);
    api().SetDelim(",");
    api().NextLine();
    EXPECT_EQ(api().Fields(), 2);
    api().CloseFile();

    ASSERT_NE(api().PrepareFile(file.path()), HFILE_ERROR);
    api().SetDelim("");
    api().NextLine();
    EXPECT_EQ(api().Fields(), 1) << "an empty string sets NUL";
    api().CloseFile();
}

TEST(FileControl, MissingFileFailsAndEveryScanIsEmpty) {
    Opened before("x,y,z\n", ",");
    ASSERT_EQ(api().NextLine(), 5);
    const std::string missing = missing_path();
    EXPECT_EQ(api().PrepareFile(missing.c_str()), HFILE_ERROR);
    EXPECT_EQ(api().Pos(), 0);
    EXPECT_EQ(api().Fields(), 3) << "the last line of the previous file is still current";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(api().NextLine(), 0);
        EXPECT_EQ(api().Fields(), 1);
        EXPECT_EQ(api().Pos(), 0);
    }
    EXPECT_EQ(api().CloseFile(), HFILE_ERROR) << "nothing was opened";
}

TEST(FileControl, DirectoryCannotBeOpened) {
    TempFile file("x");
    std::string directory = file.path();
    directory = directory.substr(0, directory.find_last_of("/\\"));
    EXPECT_EQ(api().PrepareFile(directory.c_str()), HFILE_ERROR) << directory;
    EXPECT_EQ(api().NextLine(), 0);
}

TEST(FileControl, PreparedFileStartsAtZeroWithPreviousLineStillCurrent) {
    Opened first("a,b,c,d\n", ",");
    ASSERT_EQ(api().NextLine(), 7);
    Opened second("q\n");
    EXPECT_EQ(api().Fields(), 4);
    EXPECT_EQ(api().Pos(), 0);
    EXPECT_EQ(api().NextLine(), 1);
    EXPECT_EQ(api().Fields(), 1);
}

TEST(FileControl, CloseSucceedsOnceAndBufferedLinesAreStillDelivered) {
    TempFile file("l1\nl2\nl3\n");
    ASSERT_NE(api().PrepareFile(file.path()), HFILE_ERROR);
    EXPECT_EQ(api().NextLine(), 2);
    EXPECT_EQ(api().CloseFile(), 0);
    EXPECT_EQ(api().CloseFile(), HFILE_ERROR) << "the handle is closed already";
    expect_steps(scan(3), {{2, "l2", 1, 6}, {2, "l3", 1, 9}, {0, "", 1, 9}});
    // Each later scan fails to read and tries again: still nothing.
    expect_steps(scan(2), {{0, "", 1, 9}, {0, "", 1, 9}});
}

TEST(FileControl, ClosedHandleIsNeverReadAgainEvenWhenItsValueIsReused) {
    TempFile first("only\n");
    TempFile second("other file\n");
    const int handle = api().PrepareFile(first.path());
    ASSERT_NE(handle, HFILE_ERROR);
    // Force the buffer to need a fill at the next scan: the file is read to its end.
    EXPECT_EQ(api().NextLine(), 4);
    EXPECT_EQ(api().NextLine(), 0);
    EXPECT_EQ(api().CloseFile(), 0);
    // The host opens another file, which may get the same handle value.
    std::FILE* other = std::fopen(second.path(), "rb");
    ASSERT_NE(other, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(api().NextLine(), 0);
    EXPECT_EQ(api().CloseFile(), HFILE_ERROR);
    char text[32] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text - 1, other), 11u) << "the host's file was left alone";
    std::fclose(other);
}

TEST(FileControl, SecondPrepareDoesNotCloseTheFirstFile) {
    TempFile first("1\n2\n");
    TempFile second("3\n");
    const int first_handle = api().PrepareFile(first.path());
    ASSERT_NE(first_handle, HFILE_ERROR);
    const int second_handle = api().PrepareFile(second.path());
    ASSERT_NE(second_handle, HFILE_ERROR);
    EXPECT_NE(first_handle, second_handle) << "the first file is still open";
    EXPECT_EQ(api().CloseFile(), 0);
    // Reopen the first and close that too; the stray handle is the host's to
    // mind, as the library keeps only the latest.
    EXPECT_NE(api().PrepareFile(first.path()), HFILE_ERROR);
    EXPECT_EQ(api().CloseFile(), 0);
}

}  // namespace
}  // namespace lintrow::test
