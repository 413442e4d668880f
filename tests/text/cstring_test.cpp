#include "text/cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using qf::CString;
using qf::hr_t;
using qf::kE_INVALIDARG;

#define EXPECT_THROWS_HR(expr, hr)                         \
    do {                                                   \
        try {                                              \
            (void)(expr);                                  \
            ADD_FAILURE() << #expr " did not throw";       \
        } catch (hr_t caught) {                            \
            EXPECT_EQ(caught, (hr));                       \
        }                                                  \
    } while (0)

TEST(CStringTest, EmptyStringHasNoBuffer)
{
    CString s;
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCapacity(), 0);
    EXPECT_STREQ(static_cast<const char*>(s), "");
    EXPECT_EQ(s.Find('a'), -1);
    EXPECT_EQ(s.ReverseFind('a'), -1);
    EXPECT_TRUE(s == CString(""));
}

TEST(CStringTest, NullPointersAreInvalidArguments)
{
    const char* null = nullptr;
    EXPECT_THROWS_HR(CString(null), kE_INVALIDARG);
    CString s("abc");
    EXPECT_THROWS_HR(s = null, kE_INVALIDARG);
    EXPECT_THROWS_HR(s += null, kE_INVALIDARG);
    EXPECT_THROWS_HR(s + null, kE_INVALIDARG);
    EXPECT_THROWS_HR(s.Format(null), kE_INVALIDARG);
    const char16_t* wnull = nullptr;
    EXPECT_THROWS_HR(s += wnull, kE_INVALIDARG);
    EXPECT_EQ(CString(wnull).GetLength(), 0); // null wide text is simply empty
    EXPECT_STREQ(s, "abc");
}

TEST(CStringTest, GrowthIsExactAndCapacityNeverShrinks)
{
    CString s("abcdef");
    EXPECT_EQ(s.GetCapacity(), 6);
    s = "abc";
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(s.GetCapacity(), 6);
    s += "de";
    EXPECT_EQ(s.GetCapacity(), 6); // fits in place
    s += "fg";
    EXPECT_STREQ(s, "abcdefg");
    EXPECT_EQ(s.GetCapacity(), 7); // exact fit, no doubling
    CString copy(s);
    EXPECT_EQ(copy.GetCapacity(), 7);
    s += "";
    EXPECT_EQ(s.GetCapacity(), 7);
}

TEST(CStringTest, SelfAssignmentAndSelfAppend)
{
    CString s("xyz");
    CString& alias = s;
    s = alias;
    EXPECT_STREQ(s, "xyz");
    s += alias;
    EXPECT_STREQ(s, "xyzxyz");
    s += static_cast<const char*>(s); // the text's own buffer as source
    EXPECT_STREQ(s, "xyzxyzxyzxyz");
    s = static_cast<const char*>(s) + 9; // a tail of itself
    EXPECT_STREQ(s, "xyz");
}

TEST(CStringTest, MovingHandsTheBufferOver)
{
    CString a("statement");
    const char* buffer = a.c_str();
    CString b(std::move(a));
    EXPECT_EQ(b.c_str(), buffer);
    EXPECT_STREQ(a.c_str(), ""); // NOLINT(bugprone-use-after-move): left empty and usable
    EXPECT_EQ(a.GetCapacity(), 0);
    CString c("old text");
    c = std::move(b);
    EXPECT_STREQ(c, "statement");
    a = "again";
    EXPECT_STREQ(a, "again");
}

TEST(CStringTest, LengthStopsAtFirstZero)
{
    CString s;
    s.Assign("ab\0cd", 5);
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_TRUE(s == "ab");
    EXPECT_THROWS_HR(s.GetAt(2), kE_INVALIDARG);
}

TEST(CStringTest, GetAtBounds)
{
    CString s("abc");
    EXPECT_EQ(s.GetAt(0), 'a');
    EXPECT_EQ(s.GetAt(2), 'c');
    EXPECT_THROWS_HR(s.GetAt(3), kE_INVALIDARG);
    EXPECT_THROWS_HR(s.GetAt(-1), kE_INVALIDARG);
}

TEST(CStringTest, FindAndReverseFind)
{
    CString s("a\\b\\c");
    EXPECT_EQ(s.Find('\\'), 1);
    EXPECT_EQ(s.ReverseFind('\\'), 3);
    EXPECT_EQ(s.Find('z'), -1);
    // Bytes from 0x80 up are found like any other.
    CString high("\xA3" "5");
    EXPECT_EQ(high.Find('\xA3'), 0);
}

TEST(CStringTest, Substrings)
{
    CString s("abcdef");
    EXPECT_STREQ(s.Left(3), "abc");
    EXPECT_STREQ(s.Left(10), "abcdef");
    EXPECT_STREQ(s.Left(0), "");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_STREQ(s.Mid(2, 2), "cd");
    EXPECT_STREQ(s.Mid(4, 10), "ef");
    EXPECT_STREQ(s.Mid(6, 1), "");
    EXPECT_STREQ(s.Mid(7, 1), "");
    EXPECT_STREQ(s.Mid(2, -3), "");
    EXPECT_STREQ(s.Mid(3), "def");
    EXPECT_STREQ(s, "abcdef");
}

TEST(CStringTest, JoiningAndEquality)
{
    CString a("foo"), b("bar");
    EXPECT_STREQ(a + b, "foobar");
    EXPECT_STREQ(a + "!", "foo!");
    EXPECT_TRUE(a == CString("foo"));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != "Foo");
}

TEST(CStringTest, FormatKeepsLongResultsWhole)
{
    CString s;
    s.Format("%s", std::string(255, 'x').c_str());
    EXPECT_EQ(s.GetLength(), 255);
    s.Format("%s|%d", std::string(1000, 'y').c_str(), 42);
    EXPECT_EQ(s.GetLength(), 1003);
    EXPECT_STREQ(static_cast<const char*>(s) + 1000, "|42");
    s.Format("%02d%02d%04d", 5, 3, 2024);
    EXPECT_STREQ(s, "05032024");
}

TEST(CStringTest, WideTextGoesThroughTheAnsiCodePage)
{
    CString s(u"caf\u00e9 \u20ac5");
    EXPECT_STREQ(s, "caf\xe9 \x80" "5");
    s += u"!";
    EXPECT_STREQ(s, "caf\xe9 \x80" "5!");
}
