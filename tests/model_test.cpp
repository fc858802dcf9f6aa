// The reference model must itself show the documented behaviour, or the
// fuzzer would compare the library against a wrong answer.
#include <gtest/gtest.h>

#include <string>

#include "model/reference_reader.h"

namespace lintrow::model {
namespace {

struct Model {
    ScriptedFiles files;
    ReferenceReader reader{files};
    explicit Model(const std::string& content) {
        files.files["f"] = content;
        EXPECT_GE(reader.PrepareFile("f"), 0);
    }
};

TEST(ReferenceModel, ScansTheDocumentedExamples) {
    Model m("a,b\nc,d");
    m.reader.SetDelim(",");
    EXPECT_EQ(m.reader.NextLine(), 3);
    EXPECT_EQ(m.reader.Pos(), 4);
    EXPECT_EQ(m.reader.Fields(), 2);
    EXPECT_EQ(m.reader.NextLine(), 3);
    EXPECT_EQ(m.reader.Pos(), 7);
    EXPECT_EQ(m.reader.NextLine(), 0);
    EXPECT_EQ(m.reader.Fields(), 1);

    Model crlf("x\r\ny\r\n\r\nz");
    for (int expected : {1, 1, 0, 1, 0}) EXPECT_EQ(crlf.reader.NextLine(), expected);

    Model cut(std::string(1500, 'y'));
    EXPECT_EQ(cut.reader.NextLine(), 1024);
    EXPECT_EQ(cut.reader.NextLine(), 476);
}

TEST(ReferenceModel, CopiesAndSearchesAsDocumented) {
    Model m("a,bc,,d\nabcdef\na\nb\n#x\nc\n");
    m.reader.SetDelim(",");
    char text[16];
    char* buffer = text;
    EXPECT_EQ(m.reader.NextLine(), 7);
    EXPECT_EQ(m.reader.GetField(2, &buffer, 100), 2);
    EXPECT_STREQ(text, "bc");
    EXPECT_EQ(m.reader.GetField(5, &buffer, 100), 0);
    EXPECT_EQ(m.reader.GetLine(&buffer, 2), 2);
    EXPECT_STREQ(text, "ab");
    EXPECT_EQ(m.reader.SkipToLine("#", "END", &buffer, 10), 2);
    EXPECT_STREQ(text, "#x");
    EXPECT_EQ(m.reader.GetLine(&buffer, 10), 1);
    EXPECT_STREQ(text, "c");
}

TEST(ReferenceModel, ClosedFileIsNeverReadAgain) {
    Model m("l1\nl2\n");
    EXPECT_EQ(m.reader.NextLine(), 2);
    EXPECT_EQ(m.reader.CloseFile(), 0);
    EXPECT_EQ(m.reader.NextLine(), 2);
    EXPECT_EQ(m.reader.NextLine(), 0);
    EXPECT_EQ(m.reader.NextLine(), 0);
    EXPECT_EQ(m.reader.CloseFile(), -1);
    EXPECT_FALSE(m.files.misuse);
}

}  // namespace
}  // namespace lintrow::model
