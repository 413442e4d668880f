#include "statements/reader/statement_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/serial_date.h"

using namespace qf;

namespace {

double Serial(int year, int month, int day)
{
    double serial = 0;
    EXPECT_TRUE(DateToSerial(year, month, day, serial));
    return serial;
}

} // namespace

TEST(CountFieldsTest, QuotesHideSeparators)
{
    struct Case { const char* line; int fields; bool insideAtEnd; };
    const Case cases[] = {
        {"", 1, false},
        {"a,b", 2, false},
        {",,,", 4, false},
        {"1,2,\"a,b\",3", 4, false},
        {"a,\"b\"\"c,d\",e", 3, false}, // doubled quotes toggle twice
        {"1,\"2,3", 1, true},            // an unbalanced quote drops the field it opened
        {"\xA3,\xFF,\x80", 3, false},
    };
    for (const Case& c : cases) {
        bool inside = !c.insideAtEnd; // must be reset by the call
        EXPECT_EQ(CountFields(c.line, ',', inside), c.fields) << c.line;
        EXPECT_EQ(inside, c.insideAtEnd) << c.line;
    }
    bool inside = true;
    EXPECT_EQ(CountFields(nullptr, ',', inside), 0);
    EXPECT_FALSE(inside);
}

TEST(GetFieldTest, SplitsAndFindsTheLastField)
{
    struct Case { const char* line; int k; const char* field; };
    const Case cases[] = {
        {"a,b,c", 1, "a"},
        {"a,b,c", 2, "b"},
        {"a,b,c", 3, "c"},
        {"a,b,c", 4, nullptr},
        {"a,b,c", 0, nullptr},
        {"a,b,", 3, ""},
        {"abc", 1, nullptr}, // the last field is found from a comma; none here
        {"1,2,\"a,b\",3", 3, "\"a,b\""},
        {"1,2,\"a,b\",3", 4, "3"},
        {"x,y,\"1,234.56\"", 3, "\"1,234.56\""},      // last comma inside the quotes
        {"x,\"99.00\"\r", 2, "\"99.00\""},           // binary mode: the CR is cut off
        {"x,99.00\r", 2, "99.00\r"},
        {"x,\"Smith \"\"Ltd\"\"\"", 2, "\"\""},     // nearest quote before the closing one
        {"1,\"2,3", 1, "1"},
        {"1,\"2,3", 2, "3"},                          // beyond the count: after the last comma
    };
    for (const Case& c : cases) {
        FieldBuffer field;
        FieldBuffer splitField;
        LineFields split; // the reader's one-pass splitter gives the same fields
        split.Split(c.line, ',');
        EXPECT_EQ(split.Count(), CountFields(c.line, ','));
        std::size_t length = 0;
        for (const char* got : {GetField(c.line, ',', c.k, field), split.Field(c.k, splitField, length)}) {
            if (!c.field) {
                EXPECT_EQ(got, nullptr) << c.line << " #" << c.k;
            } else {
                ASSERT_NE(got, nullptr) << c.line << " #" << c.k;
                EXPECT_STREQ(got, c.field) << c.line << " #" << c.k;
            }
        }
        if (c.field) {
            EXPECT_EQ(length, std::string(c.field).size());
        }
    }
    FieldBuffer field;
    EXPECT_EQ(GetField(nullptr, ',', 1, field), nullptr);
}

TEST(GetFieldTest, LongFieldsAreCutTo511)
{
    const std::string big(600, 'x');
    FieldBuffer field;
    const std::string middle = "a," + big + ",b";
    EXPECT_EQ(std::string(GetField(middle.c_str(), ',', 2, field)), big.substr(0, 511));
    EXPECT_STREQ(GetField(middle.c_str(), ',', 3, field), "b"); // terminated after a long field
    const std::string last = "a," + big;
    EXPECT_EQ(std::string(GetField(last.c_str(), ',', 2, field)), big.substr(0, 511));
    const std::string quotedLast = "a,\"" + big + "\"";
    EXPECT_EQ(std::string(GetField(quotedLast.c_str(), ',', 2, field)), "\"" + big.substr(0, 510));
}

TEST(TextHelpersTest, StripQuotesRemovesOneOuterPair)
{
    const char* cases[][2] = {
        {"\"abc\"", "abc"},
        {"\"Smith \"\"Ltd\"\"\"", "Smith \"\"Ltd\"\""},
        {"\"\"", ""},
        {"\"", "\""},
        {"\"abc", "\"abc"},
        {" \"abc\"", " \"abc\""},
        {"\"a\"b\"", "a\"b"},
    };
    for (auto& c : cases) {
        CString s(c[0]);
        StripQuotes(s);
        EXPECT_STREQ(s, c[1]) << c[0];
    }
}

TEST(TextHelpersTest, RemoveWhitespaceAndChars)
{
    CString s(" 1 2\t3\r\n\v\f\xA0\xFF");
    RemoveWhitespace(s); // bytes from 0x80 up are not white space
    EXPECT_STREQ(s, "123\xA0\xFF");
    CString t("-1,234-56,");
    RemoveChars(t, ",-");
    EXPECT_STREQ(t, "123456");
}

TEST(ParseAmountTest, ReadsBankAmountsAsPositive)
{
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"12.50", 12.5},         {"-12.50", 12.5},         {"\"1,234.56\"", 1234.56},
        {" 1 234.56 ", 1234.56}, {"\" -7 \"", 7},          {"99.00\r", 99},
        {"12abc", 12},           {"", 0},                  {"abc", 0},
        {"\"\"", 0},             {"\xA3" "12", 12},        {"inf", 0},
        {"1e999", 0},            {"nan", 0},               {"\"99.00\"\r", 0}, // quotes not outermost
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ParseAmount(c.text), c.value) << c.text;
}

TEST(ParseAmountTest, SameDoubleAsTheCLibrary)
{
    // Bit for bit what strtod makes of the cleaned text, on both sides of
    // the fifteen digits that a double holds exactly.
    struct Case { const char* text; const char* cleaned; };
    const Case cases[] = {
        {"\"1,234.56\"", "1234.56"},           {"0.1", "0.1"},
        {"9,999,999,999.99", "9999999999.99"}, {"-0.07", "0.07"},
        {"123456789012345", "123456789012345"}, {"1234567890123456", "1234567890123456"},
        {"1.00000000000001", "1.00000000000001"}, {"0.000000000000001", "0.000000000000001"},
        {"12.", "12."},                          {" - 3 . 25 ", "3.25"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAmount(c.text), std::strtod(c.cleaned, nullptr)) << c.text;
        EXPECT_TRUE(detail::IsAmountText(c.text, std::strlen(c.text))) << c.text;
    }
}

TEST(ParseDateTest, BothFormsAndOnlyRealDates)
{
    const double march15 = Serial(2012, 3, 15);
    EXPECT_EQ(march15, 40983.0);
    struct Case { const char* text; double serial; };
    const Case cases[] = {
        {"15/03/2012", march15},
        {"2012-03-15", march15},
        {"15/03/12", march15}, // two-digit years are this century
        {"12-03-15", march15},
        {"\"15/03/2012", march15},
        {"15//03//2012", march15},
        {"5/3/2012 ", Serial(2012, 3, 5)},
        {"2012-3-5", Serial(2012, 3, 5)},
        {"15/03/00", Serial(2000, 3, 15)},
        {"29/02/2024", Serial(2024, 2, 29)},
        {"29/02/2023", 0},
        {"31/02/2024", 0}, // never rolled into March
        {"31/04/2024", 0},
        {"31/13/2012", 0},
        {"00/03/2012", 0},
        {"15/03", 0},      // no year is no date, not the year 2000
        {"15/03/12345", 0},
        {"15/03/99999999999999999999", 0},
        {"2012-03", 0},
        {"", 0},
        {"30/12/1899", 0},
        {"15/03/1850", Serial(1850, 3, 15)}, // not turned into 15/03/2015
        {"\xFF/\x80/\xA0", 0},
        // Every part a number, nothing else: a sign or a trailing letter
        // makes no date (not 1 January 2001).
        {"-1/-1/-1", 0},
        {"+1/+1/+1", 0},
        {"1/1/1x", 0},
        {"15/03/2024/7", 0},
        {"1 5/03/2024", 0},
        {"15/03/2024 ", Serial(2024, 3, 15)},
        {" \"15/03/2024\" ", Serial(2024, 3, 15)},
        {"15 / 3 / 24", Serial(2024, 3, 15)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDate(c.text), c.serial) << c.text;
}

TEST(AmountTextTest, EmptyOrAWholeNumberAfterCleanUp)
{
    // The same clean-up as ParseAmount; only a remainder that is no number
    // makes the column unreadable.
    for (const char* ok : {"", "  ", "-", "\"\"", "12.50", "\"1,234.56\"", "-12.50", " 7 ", "0.00", ".5", "+3",
                           "1e3", "12.50\r"})
        EXPECT_TRUE(detail::IsAmountText(ok, std::strlen(ok))) << ok;
    for (const char* bad : {"abc", "12.5x", "1.2.3", "inf", "nan", "0x1A", "1e999", ".", "e5", "\"12\"x",
                            "12;50", "12.50\xA3x", "12.50\xA3", "EUR 10", "\xA3\xA3" "10", "gbp 10"})
        EXPECT_FALSE(detail::IsAmountText(bad, std::strlen(bad))) << bad;
    // Currency marks as spreadsheets save them, in Windows-1252 and UTF-8.
    for (const char* ok : {"\xA3" "12.50", "-\xA3" "12.50", "\xA3-12.50", "\xC2\xA3" "12.50", "GBP 12.50",
                           "\"\xA3" "1,234.56\""})
        EXPECT_TRUE(detail::IsAmountText(ok, std::strlen(ok))) << ok;
    // Text stops at a zero byte, as ParseAmount reads it.
    EXPECT_TRUE(detail::IsAmountText("12\0abc", 6));
}

TEST(Utf8Test, WidthsCountCharactersAndNeverSplitOne)
{
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC" "5 \xF0\x9F\x98\x80!"; // Café €5 😀!
    EXPECT_EQ(Utf8Length(text.data(), text.size()), 10u);
    EXPECT_EQ(Utf8Prefix(text.data(), text.size(), 4), 5u);  // "Café"
    EXPECT_EQ(Utf8Prefix(text.data(), text.size(), 6), 9u);  // "Café €"
    EXPECT_EQ(Utf8Prefix(text.data(), text.size(), 9), 15u); // up to and with the emoji
    EXPECT_EQ(Utf8Prefix(text.data(), text.size(), 50), text.size());
    EXPECT_EQ(Utf8Prefix(text.data(), text.size(), 0), 0u);
    // Broken text: a lone continuation byte joins the character before it,
    // a lead byte cut off at the end stays within the text.
    EXPECT_EQ(Utf8Length("a\x80\x80" "b", 4), 2u);
    EXPECT_EQ(Utf8Prefix("ab\xE2\x82", 4, 3), 4u);
    EXPECT_EQ(Utf8Length("\x80\x80\x80\x80\x80", 5), 2u); // at most four bytes a character
}

TEST(AccountKeyTest, SpreadsheetLossesAndHostFormsCompareEqual)
{
    struct Case { const char* text; std::size_t width; const char* key; };
    const Case cases[] = {
        {"018705", 6, "018705"},     {"18705", 6, "018705"},      {"01-87-05", 6, "018705"},
        {"1-87-05", 6, "018705"},    {" 01 87 05 ", 6, "018705"}, {"\"018705\"", 6, "\"018705\""},
        {"01234567", 8, "01234567"}, {"1234567", 8, "01234567"},  {" 01234567 ", 8, "01234567"},
        {"12345678\r", 8, "12345678"}, {"3192 6819", 8, "31926819"},
        // Not all digits, or already too long: cleaned but not padded.
        {"1234A", 6, "1234A"},       {"319268190", 8, "319268190"}, {"12-34-5x", 6, "12345x"},
        // Nothing is no account: never padded into 000000.
        {"", 6, ""},                 {" - ", 6, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AccountKey(c.text, std::strlen(c.text), c.width), c.key) << c.text;
}
