#include "host/corvane/csv.h"

#include <gtest/gtest.h>

using corvane::CsvField;
using corvane::CsvRecord;
using corvane::ParseCsv;

namespace {
std::vector<CsvRecord> Parse(const std::string& text)
{
    std::vector<CsvRecord> records;
    std::string error;
    EXPECT_TRUE(ParseCsv(text, records, error)) << error;
    return records;
}

std::string ErrorOf(const std::string& text)
{
    std::vector<CsvRecord> records;
    std::string error;
    EXPECT_FALSE(ParseCsv(text, records, error));
    return error;
}
} // namespace

TEST(CsvTest, QuotedFieldsHoldCommasQuotesAndLineBreaks)
{
    auto r = Parse("A,B,C\r\n\"Smith, J\",\"say \"\"hi\"\"\",\"two\nlines\"\r\nx,,\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].fields, (std::vector<std::string>{"Smith, J", "say \"hi\"", "two\nlines"}));
    EXPECT_EQ(r[1].line, 2);
    EXPECT_EQ(r[2].fields, (std::vector<std::string>{"x", "", ""}));
    EXPECT_EQ(r[2].line, 4) << "a line break inside quotes counts as a line";
}

TEST(CsvTest, BlankLinesByteOrderMarkAndMissingFinalNewline)
{
    auto r = Parse("\xEF\xBB\xBF" "Amount\n\n12.50\n\n3");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].fields[0], "Amount");
    EXPECT_EQ(r[1].fields[0], "12.50");
    EXPECT_EQ(r[2].fields[0], "3");
    EXPECT_EQ(r[2].line, 5);
}

TEST(CsvTest, MalformedRecordsNameTheLineAndField)
{
    EXPECT_EQ(ErrorOf("a,b\n1,\"open\n"), "line 2, field 2: a quoted field is not closed");
    EXPECT_EQ(ErrorOf("a,b\n1,x\"y\n"), "line 2, field 2: a quote inside an unquoted field");
    EXPECT_EQ(ErrorOf("a\n\"q\"x\n"), "line 2, field 1: text after a closing quote");
}

TEST(CsvTest, FieldsAreQuotedOnlyWhenNeeded)
{
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    std::vector<CsvRecord> back;
    std::string error;
    ASSERT_TRUE(ParseCsv(CsvField("x,\"y\"\nz") + "\n", back, error));
    EXPECT_EQ(back[0].fields[0], "x,\"y\"\nz");
}
