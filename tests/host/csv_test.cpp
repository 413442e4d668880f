#include "host/corvane/csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

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

TEST(CsvTest, AppendedFieldsAreTheQuotedFields)
{
    for (const std::string& text : std::vector<std::string>{"", "plain text", "a,b", "say \"hi\"", "two\r\nlines", std::string("a\0,b", 4)}) {
        std::string out = "x";
        corvane::AppendCsvField(out, text.data(), text.size());
        EXPECT_EQ(out, "x" + CsvField(text));
    }
}

// Statement output writes numbers without printf: the bytes must be
// printf's, whatever the value.
TEST(CsvTest, AppendedNumbersAreWhatPrintfPrints)
{
    const auto printf2f = [](double v) {
        char text[512];
        std::snprintf(text, sizeof text, "%.2f", v);
        return std::string(text);
    };
    const double amounts[] = {0.0, -0.0, 0.004, 0.005, 0.015, 0.125, 0.375, 1.005, 2.675, -2.675, -0.004, -0.005,
                              -0.006, 1234.56, -1234.56, 9999999.995, 10000000.0, 123456789.125, 1e300, -1e-300,
                              0.1 + 0.2, 5000000.005, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (double v : amounts) {
        std::string out;
        corvane::AppendMoney(out, v);
        EXPECT_EQ(out, printf2f(v)) << v;
    }
    // Every cent and half cent up to 2,000.00, and values a hair either side.
    for (int n = -100000; n <= 200000; ++n) {
        const double cents = n;
        for (double v : {cents / 100.0, (cents + 0.5) / 100.0, std::nextafter(cents / 200.0, 1e9),
                         std::nextafter(cents / 200.0, -1e9)}) {
            std::string out;
            corvane::AppendMoney(out, v);
            ASSERT_EQ(out, printf2f(v)) << v;
        }
    }
    for (long v : {0L, 7L, -7L, 66666L, std::numeric_limits<long>::max(), std::numeric_limits<long>::min()}) {
        std::string out;
        corvane::AppendInteger(out, v);
        EXPECT_EQ(out, std::to_string(v));
    }
}

TEST(CsvTest, NulByteIsAnErrorNamingLineFieldAndCharacterColumn)
{
    // "AC\0ME" must not reach the host as "AC".
    EXPECT_EQ(ErrorOf(std::string("Amount,PayeeAccountName\n1.00,AC\0ME\n", 35)),
              "line 2, field 2, column 8: a NUL byte is not text");
    // Columns count characters, not bytes (é is two bytes), and a line
    // break inside quotes starts a new line.
    EXPECT_EQ(ErrorOf(std::string("a,b\n\"x\ny\",caf\xC3\xA9\0\n", 16)), "line 3, field 2, column 8: a NUL byte is not text");
    // A byte order mark is not a column.
    EXPECT_EQ(ErrorOf(std::string("\xEF\xBB\xBF" "\0", 4)), "line 1, field 1, column 1: a NUL byte is not text");
}

namespace {
struct Decoded {
    bool ok;
    std::string text;
    corvane::TextEncoding used;
    std::string error;
};
Decoded Decode(const std::string& bytes)
{
    Decoded d{false, {}, corvane::TextEncoding::Utf8, {}};
    d.ok = corvane::DecodeText(bytes, d.text, d.used, d.error);
    return d;
}
} // namespace

TEST(CsvTest, Utf8IsReadWithOrWithoutByteOrderMark)
{
    Decoded plain = Decode("Name\nCaf\xC3\xA9 \xE2\x82\xAC\n");
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.used, corvane::TextEncoding::Utf8);
    EXPECT_EQ(plain.text, "Name\nCaf\xC3\xA9 \xE2\x82\xAC\n");

    Decoded marked = Decode("\xEF\xBB\xBF" "Name\nCaf\xC3\xA9\n");
    ASSERT_TRUE(marked.ok);
    EXPECT_EQ(marked.used, corvane::TextEncoding::Utf8WithBom);
    EXPECT_EQ(marked.text, "Name\nCaf\xC3\xA9\n") << "the mark is not part of the text";
    EXPECT_STREQ(corvane::EncodingName(marked.used), "UTF-8 with byte order mark");
}

TEST(CsvTest, TextThatIsNotUtf8IsReadAsWindows1252)
{
    // What a spreadsheet on Windows saves: é, the euro sign, curly quotes.
    Decoded d = Decode("Name\nCaf\xE9 \x80 \x93\x94\n");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.used, corvane::TextEncoding::Windows1252);
    EXPECT_EQ(d.text, "Name\nCaf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C\xE2\x80\x9D\n");
    EXPECT_STREQ(corvane::EncodingName(d.used), "Windows-1252");
    // Forms that a lax reader takes for UTF-8 are not: an overlong slash,
    // a surrogate, a sequence cut off at the end of the file.
    EXPECT_EQ(Decode("\xC0\xAF").used, corvane::TextEncoding::Windows1252);
    EXPECT_EQ(Decode("\xED\xA0\x80").used, corvane::TextEncoding::Windows1252);
    EXPECT_EQ(Decode("x\xC3").used, corvane::TextEncoding::Windows1252);
    EXPECT_EQ(Decode("\xF4\x90\x80\x80").used, corvane::TextEncoding::Windows1252) << "past U+10FFFF";
    EXPECT_TRUE(corvane::IsUtf8("\xF4\x8F\xBF\xBF"));
}

TEST(CsvTest, ByteOrderMarkWithBrokenUtf8AndUtf16AreRefused)
{
    Decoded broken = Decode("\xEF\xBB\xBF" "Name\nab\xE9z\n");
    EXPECT_FALSE(broken.ok);
    EXPECT_EQ(broken.error, "line 2, column 3: the file starts with a UTF-8 byte order mark, but this is not UTF-8");
    Decoded wide = Decode(std::string("\xFF\xFEN\0a\0", 6));
    EXPECT_FALSE(wide.ok);
    EXPECT_EQ(wide.error, "the file is UTF-16 text; save it as CSV (UTF-8 or Windows-1252)");
}

TEST(CsvTest, JsonStringsEscapeQuotesBackslashesAndControls)
{
    EXPECT_EQ(corvane::JsonString("Caf\xC3\xA9"), "\"Caf\xC3\xA9\"") << "UTF-8 passes as it is";
    EXPECT_EQ(corvane::JsonString("C:\\out\\\"a\".csv"), "\"C:\\\\out\\\\\\\"a\\\".csv\"");
    EXPECT_EQ(corvane::JsonString("two\r\nlines\t\x7F"), "\"two\\u000d\\u000alines\\u0009\\u007f\"");
}
