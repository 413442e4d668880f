// Text normalisation and the field rules of payments.
#include "payments/payment_checks.h"
#include "payments/payment_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

using namespace qf;

TEST(NarrowTextTest, ConvertsHostTextUpToItsEndOrAnEmbeddedZero)
{
    EXPECT_EQ(NarrowText(static_cast<const char16_t*>(nullptr), 5), "");
    EXPECT_EQ(NarrowText(u"12-34-56", 8), "12-34-56");
    EXPECT_EQ(NarrowText(u"abcdef", 3), "abc");
    EXPECT_EQ(NarrowText(u"ab\0cd", 5), "ab");
    EXPECT_EQ(NarrowText(u"", 0), "");
}

TEST(NarrowTextTest, KeepsAtMost255Characters)
{
    for (std::size_t length : {254u, 255u, 256u, 5000u}) {
        const std::u16string wide(length, u'7');
        const CString narrow = NarrowText(wide.c_str(), wide.size());
        EXPECT_EQ(narrow.GetLength(), static_cast<int>(std::min<std::size_t>(length, 255))) << length;
        EXPECT_EQ(std::string(narrow), std::string(narrow.GetLength(), '7'));
    }
}

TEST(NarrowTextTest, UsesTheAnsiCodePage)
{
    // e acute is 0xE9 in the Western code page of the tests.
    EXPECT_EQ(NarrowText(u"Caf\u00E9", 4), "Caf\xE9");
}

TEST(PaymentTextTest, DigitsOnlyKeepsTheDigitsInOrder)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"12-34-56", "123456"}, {"12 34 56", "123456"}, {"0a1b2", "012"},
        {"abc", ""}, {"", ""}, {"\xB2\xB3\xB9 1", "1"}, // superscripts are no digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(DigitsOnly(c.in), c.out) << c.in;
}

TEST(PaymentTextTest, CleanTextKeepsLettersDigitsAndFewMarksUpperCased)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"Smith & Sons (Bath) Ltd.", "SMITH & SONS BATH LTD."},
        {"o'brien, j", "OBRIEN J"},
        {"a-b/c.d&e 09", "A-B/C.D&E 09"},
        {"\"quoted\",\r\n\tnext", "QUOTEDNEXT"},
        {"Caf\xE9 \x80\xFF\xDF!", "CAFE YSS"},
        {"_@#!?*()[]{}<>;:'~`^%$+=|\\", ""},
        {"", ""},
        // Names as typed: accented letters lose their accents, not themselves.
        {"M\xFCller B\xE4" "ckerei", "MULLER BACKEREI"},
        {"\xD8rsted", "ORSTED"},
        {"Stra\xDF" "e", "STRASSE"},
        {"\x8C" "uvre", "OEUVRE"},
        {"\x93\x94\x91\x92", ""}, // curly quotes
        {"M\xFCller & S\xF6hne (Bath)", "MULLER & SOHNE BATH"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanText(c.in), c.out) << c.in;

    // Every byte of Windows-1252 from 0x80, by what its character is: a
    // Latin letter becomes its plain letter(s), anything else goes.
    const char* const high[128] = {
        "",  "",  "",  "",  "",  "",  "",   "",  "",  "",  "S", "",  "OE", "",  "Z",  "",   // 80 € ‚ ƒ „ … † ‡ ˆ ‰ Š ‹ Œ Ž
        "",  "",  "",  "",  "",  "",  "",   "",  "",  "",  "S", "",  "OE", "",  "Z",  "Y",  // 90 ‘ ’ “ ” • – — ˜ ™ š › œ ž Ÿ
        "",  "",  "",  "",  "",  "",  "",   "",  "",  "",  "",  "",  "",   "",  "",   "",   // A0 nbsp ¡ ¢ £ ¤ ¥ ¦ § ¨ © ª « ¬ shy ® ¯
        "",  "",  "",  "",  "",  "",  "",   "",  "",  "",  "",  "",  "",   "",  "",   "",   // B0 ° ± ² ³ ´ µ ¶ · ¸ ¹ º » ¼ ½ ¾ ¿
        "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I",  "I", "I",  "I",  // C0 À to Ï
        "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U",  "Y", "TH", "SS", // D0 Ð to ß, × none
        "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I",  "I", "I",  "I",  // E0 à to ï
        "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U",  "Y", "TH", "Y",  // F0 ð to ÿ, ÷ none
    };
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char text[] = {'x', static_cast<char>(b), 'y', 0};
        EXPECT_EQ(std::string(CleanText(text)), std::string("X") + high[b - 0x80] + "Y") << "byte 0x" << std::hex << b;
    }
}

TEST(PaymentTextTest, AmountsRoundTheExactBinaryValue)
{
    const struct { double in; const char* out; } cases[] = {
        {1234.5, "1234.50"}, {0.01, "0.01"}, {0, "0.00"}, {-10, "-10.00"}, {-0.001, "-0.00"},
        {0.125, "0.12"},   // an exact tie goes to the even digit
        {0.375, "0.38"},   // and so does this one
        {2.675, "2.67"},   // just below .675 in binary
        {99.995, "100.00"}, // just above .995 in binary
        {12345678.9, "12345678.90"},
        {1e21, "1000000000000000000000.00"},
        {NAN, "nan"}, {-NAN, "nan"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatAmount(c.in), c.out) << c.in;
    const CString largest = FormatAmount(DBL_MAX);
    EXPECT_EQ(largest.GetLength(), 309 + 3);
    EXPECT_EQ(largest.Left(6), "179769");
}

TEST(PaymentTextTest, FileNameOfPath)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"C:\\Pay\\June payments.csv", "June payments.csv"},
        {"C:/Pay/pay.csv", "pay.csv"},
        {"C:pay.csv", "pay.csv"},
        {"\\\\server\\share\\pay.csv", "pay.csv"},
        {"pay.csv", "pay.csv"},
        {"C:\\Pay\\", "Pay\\"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(FileNameOfPath(c.in), c.out) << c.in;
}

TEST(PaymentRulesTest, AmountMustBeAboveHalfAMillionth)
{
    const double threshold = 4.999999987376214e-07;
    EXPECT_EQ(kSmallestAmountRefused, threshold);
    const struct { double amount; bool valid; } cases[] = {
        {threshold, false}, {std::nextafter(threshold, 1.0), true},
        {5e-7, true}, // the double 5e-7 lies above the single-precision one
        {0.01, true}, {1e9, true},
        {0, false}, {-0.0, false}, {-10, false}, {NAN, false},
        {INFINITY, false}, // would be written as "inf"
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidAmount(c.amount), c.valid) << c.amount;
}

TEST(PaymentRulesTest, SortCodeNeedsSixDigitsOnceSeparatorsAreGone)
{
    const struct { const char* in; bool valid; } cases[] = {
        {"12-34-56", true}, {"12 34 56", true}, {"123456", true},
        {"12345", false}, {"1234567", false}, {"", false}, {"ab-cd-ef", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidSortCode(c.in), c.valid) << c.in;
}

TEST(PaymentRulesTest, AccountNumberNeedsExactlyEightDigitsAsGiven)
{
    const struct { const char* in; bool valid; } cases[] = {
        {"12345678", true}, {"01234567", true},
        {"1234 5678", false}, {"1234-567", false}, {"1234567", false},
        {"123456789", false}, {"1234567a", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidAccountNumber(c.in), c.valid) << c.in;
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_FALSE(IsAllDigits("12\xB9")); // superscript one
}
