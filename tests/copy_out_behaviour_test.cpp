// Copies into the host's buffer: exactly n + 1 bytes written for a count of n,
// nothing at all where nothing is delivered, never a byte beyond.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/api.h"
#include "support/files.h"
#include "support/opened_file.h"

namespace lintrow::test {
namespace {

// The bytes a copy of `count` characters from `visible` must leave: the text
// up to its first NUL, NUL fill, the final NUL.
std::string expected_copy(const std::string& source, std::size_t count) {
    std::string out = source.substr(0, count);
    const std::size_t nul = out.find('\0');
    if (nul != std::string::npos) out.replace(nul, std::string::npos, count - nul, '\0');
    return out + '\0';
}

void expect_copy(const HostBuffer& buffer, int returned, const std::string& source, int count) {
    EXPECT_EQ(returned, count);
    EXPECT_EQ(buffer.written(), static_cast<std::size_t>(count) + 1) << "exactly n + 1 bytes are written";
    EXPECT_EQ(buffer.raw(static_cast<std::size_t>(count) + 1), expected_copy(source, static_cast<std::size_t>(count)));
}

TEST(GetLine, TruncatesToMaxlenAndWritesExactlyNPlusOneBytes) {
    for (int maxlen : {0, 1, 2, 5, 6, 7, 100}) {
        SCOPED_TRACE(maxlen);
        Opened file("abcdef\nnext\n");
        HostBuffer buffer;
        expect_copy(buffer, api().GetLine(buffer.slot(), maxlen), "abcdef", std::min(maxlen, 6));
        HostBuffer again;
        expect_copy(again, api().CurrentRecord(again.slot(), 6), "abcdef", 6);
        HostBuffer next;
        expect_copy(next, api().GetLine(next.slot(), maxlen), "next", std::min(maxlen, 4));
    }
}

TEST(GetLine, EmptyLineAndEndOfFileLeaveTheBufferUntouched) {
    Opened file("\r\nx");
    HostBuffer buffer;
    EXPECT_EQ(api().GetLine(buffer.slot(), 10), 0);
    EXPECT_EQ(buffer.written(), 0u);
    EXPECT_EQ(api().Pos(), 2) << "the empty line's CR and LF were consumed";
    EXPECT_EQ(api().GetLine(buffer.slot(), 10), 1);
    buffer.reset();
    EXPECT_EQ(api().GetLine(buffer.slot(), 10), 0);
    EXPECT_EQ(buffer.written(), 0u);
    EXPECT_EQ(api().Pos(), 3);
}

TEST(GetLine, NulInsideALineCountsButHidesTheRest) {
    const std::string line("ab\0cd", 5);
    Opened file(line + "\n", ",");
    HostBuffer buffer;
    expect_copy(buffer, api().GetLine(buffer.slot(), 100), line, 5);
    EXPECT_EQ(buffer.text(), "ab");
}

TEST(CurrentRecord, RepeatsTheLineAndWritesEvenWhenEmpty) {
    Opened file("hello\n\n");
    ASSERT_EQ(api().NextLine(), 5);
    for (int i = 0; i < 3; ++i) {
        HostBuffer buffer;
        expect_copy(buffer, api().CurrentRecord(buffer.slot(), 100), "hello", 5);
    }
    HostBuffer shorter;
    expect_copy(shorter, api().CurrentRecord(shorter.slot(), 3), "hello", 3);
    ASSERT_EQ(api().NextLine(), 0);
    HostBuffer empty;
    expect_copy(empty, api().CurrentRecord(empty.slot(), 100), "", 0);
}

TEST(GetField, CopiesEachFieldFromItsRecordedStartAndLength) {
    Opened file("a,bc,,d\n");
    api().SetDelim(",");
    ASSERT_EQ(api().NextLine(), 7);
    ASSERT_EQ(api().Fields(), 4);
    const char* fields[] = {"a", "bc", "", "d"};
    for (int index = 1; index <= 4; ++index) {
        SCOPED_TRACE(index);
        HostBuffer buffer;
        const std::string field = fields[index - 1];
        expect_copy(buffer, api().GetField(index, buffer.slot(), 100), field, static_cast<int>(field.size()));
    }
    HostBuffer truncated;
    expect_copy(truncated, api().GetField(2, truncated.slot(), 1), "bc", 1);
}

TEST(GetField, IndexOutOfRangeWritesNothing) {
    Opened file("a,bc,,d\n", ",");
    ASSERT_EQ(api().NextLine(), 7);
    for (int index : {5, 6, 1025, 1026, INT_MAX, 0, -1, -1025, INT_MIN}) {
        SCOPED_TRACE(index);
        HostBuffer buffer;
        EXPECT_EQ(api().GetField(index, buffer.slot(), 100), 0);
        EXPECT_EQ(buffer.written(), 0u);
    }
}

TEST(GetField, FieldsComeFromTheScanNotFromASplitOfTheCopy) {
    Opened file(std::string("a\0b\n", 4));  // delimiter left at NUL
    HostBuffer line;
    expect_copy(line, api().GetLine(line.slot(), 100), std::string("a\0b", 3), 3);
    EXPECT_EQ(line.text(), "a");
    ASSERT_EQ(api().Fields(), 2);
    HostBuffer second;
    expect_copy(second, api().GetField(2, second.slot(), 100), "b", 1);
}

TEST(GetField, AtTheEndOfTheFileOneEmptyField) {
    Opened file("x,y\n", ",");
    ASSERT_EQ(api().NextLine(), 3);
    ASSERT_EQ(api().NextLine(), 0);
    ASSERT_EQ(api().Fields(), 1);
    HostBuffer buffer;
    expect_copy(buffer, api().GetField(1, buffer.slot(), 100), "", 0);
    HostBuffer beyond;
    EXPECT_EQ(api().GetField(2, beyond.slot(), 100), 0);
    EXPECT_EQ(beyond.written(), 0u);
}

struct SkipCase {
    const char* name;
    std::string bytes;
    const char* prefix1;
    const char* prefix2;
    int maxlen;
    int result;
    std::string found;  // in the buffer afterwards
    int next_length;    // GetLine after the search
    std::string next;
};

// Named, not dumped byte by byte (padding bytes are uninitialised).
void PrintTo(const SkipCase& c, std::ostream* out) { *out << c.name; }

class SkipTable : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkipTable, StopsAtTheMatchOrAtAnEmptyLineOrTheEnd) {
    const SkipCase& c = GetParam();
    Opened file(c.bytes);
    HostBuffer buffer;
    const int result = api().SkipToLine(c.prefix1, c.prefix2, buffer.slot(), c.maxlen);
    EXPECT_EQ(result, c.result);
    // Lines passed over may leave bytes behind the result, never beyond maxlen + 1.
    EXPECT_LE(buffer.written(), static_cast<std::size_t>(c.maxlen) + 1);
    EXPECT_EQ(buffer.raw(static_cast<std::size_t>(result) + 1), expected_copy(c.found, static_cast<std::size_t>(result)));
    EXPECT_EQ(buffer.text(), c.found.substr(0, c.found.find('\0')));
    HostBuffer next;
    EXPECT_EQ(api().GetLine(next.slot(), 100), c.next_length);
    if (c.next_length > 0) {
        EXPECT_EQ(next.text(), c.next);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, SkipTable,
    ::testing::Values(SkipCase{"FirstPrefix", "a\nb\n#x\nc\n", "#", "END", 100, 2, "#x", 1, "c"},
                      SkipCase{"SecondPrefix", "a\nEND here\nc\n", "#", "END", 100, 8, "END here", 1, "c"},
                      SkipCase{"StopsAtEmptyLine", "a\n\nEND\n", "#", "END", 100, 0, "", 3, "END"},
                      SkipCase{"StopsAtEndOfFile", "a\nb", "#", "END", 100, 0, "", 0, ""},
                      SkipCase{"EmptyPrefixMatchesAnyLine", "first\nsecond\n", "", "zzz", 100, 5, "first", 6, "second"},
                      SkipCase{"EmptyPrefixStillStopsAtEmptyLine", "\nsecond\n", "", "", 100, 0, "", 6, "second"},
                      SkipCase{"PrefixLongerThanMaxlenNeverMatches", "#abc\n#abcd\n\nlast\n", "#abc", "#abc", 2, 0, "", 4, "last"},
                      SkipCase{"MatchOnTruncatedCopy", "xy\n#abcdef\nz\n", "#ab", "Q", 3, 3, "#ab", 1, "z"},
                      SkipCase{"MaxlenZeroConsumesOneLine", "abc\ndef\n", "a", "d", 0, 0, "", 3, "def"},
                      SkipCase{"NulWithinPrefixLengthPreventsMatch", std::string("#\0x\n#y\n", 7), "#x", "#y", 100, 2, "#y", 0, ""},
                      SkipCase{"NulAfterPrefixAllowsMatch", std::string("#x\0z\n", 5), "#x", "", 100, 4, std::string("#x\0z", 4), 0, ""}),
    [](const ::testing::TestParamInfo<SkipCase>& info) { return std::string(info.param.name); });

TEST(SkipToLine, MatchIsTheCurrentLine) {
    Opened file("a;b\nk;1;2\nz\n", ";");
    HostBuffer buffer;
    ASSERT_EQ(api().SkipToLine("k", "q", buffer.slot(), 100), 5);
    EXPECT_EQ(api().Fields(), 3);
    HostBuffer field;
    expect_copy(field, api().GetField(3, field.slot(), 100), "2", 1);
}

// Where there is no room, nothing is written and nothing is delivered; the
// scan still happens.
TEST(NoRoom, NegativeMaxlenWritesNothing) {
    Opened file("one\ntwo\nthree\nfour\n");
    for (int maxlen : {-1, INT_MIN}) {
        HostBuffer buffer;
        EXPECT_EQ(api().CurrentRecord(buffer.slot(), maxlen), 0);
        EXPECT_EQ(api().GetField(1, buffer.slot(), maxlen), 0);
        EXPECT_EQ(buffer.written(), 0u);
    }
    HostBuffer buffer;
    EXPECT_EQ(api().GetLine(buffer.slot(), -1), 0);
    EXPECT_EQ(api().Pos(), 4) << "the line was consumed";
    EXPECT_EQ(api().SkipToLine("zzz", "yyy", buffer.slot(), -5), 0);
    EXPECT_EQ(api().Pos(), 8) << "one line was consumed";
    EXPECT_EQ(buffer.written(), 0u);
    EXPECT_EQ(api().GetLine(buffer.slot(), 100), 5);
    EXPECT_EQ(buffer.text(), "three");
}

TEST(NoRoom, NullPointersNeverCrash) {
    Opened file("one\ntwo\nthree\n");
    char* null_buffer = nullptr;
    EXPECT_EQ(api().GetLine(nullptr, 10), 0);
    EXPECT_EQ(api().Pos(), 4);
    EXPECT_EQ(api().GetLine(&null_buffer, 10), 0);
    EXPECT_EQ(api().Pos(), 8);
    EXPECT_EQ(api().CurrentRecord(nullptr, 10), 0);
    EXPECT_EQ(api().CurrentRecord(&null_buffer, 10), 0);
    EXPECT_EQ(api().GetField(1, nullptr, 10), 0);
    EXPECT_EQ(api().SkipToLine(nullptr, nullptr, nullptr, 10), 0);
    EXPECT_EQ(api().Pos(), 14);
    api().SetDelim(nullptr);
    EXPECT_EQ(api().CloseFile(), 0);
    EXPECT_EQ(api().PrepareFile(nullptr), HFILE_ERROR);
    HostBuffer buffer;
    EXPECT_EQ(api().SkipToLine(nullptr, nullptr, buffer.slot(), 10), 0);
    EXPECT_EQ(buffer.written(), 1u);
}

TEST(NoRoom, NullPrefixesAreEmpty) {
    Opened file("first\n");
    HostBuffer buffer;
    EXPECT_EQ(api().SkipToLine(nullptr, "zz", buffer.slot(), 10), 5);
    EXPECT_EQ(buffer.text(), "first");
}

}  // namespace
}  // namespace lintrow::test
