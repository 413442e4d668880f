// The user's lists of bank holiday changes as they come from the settings.
#include "calendar/holiday_list.h"

#include "platform/platform.h"
#include "platform/serial_date.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qf;

namespace {

double Serial(int y, int m, int d)
{
    double s = -1e9;
    EXPECT_TRUE(DateToSerial(y, m, d, s)) << y << '-' << m << '-' << d;
    return s;
}

std::vector<std::string> g_debugLines;
void CaptureDebugLine(const char* text) { g_debugLines.push_back(text); }

// Collects what goes to the debug output while a test runs.
class HolidayListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_debugLines.clear();
        m_previous = platform::SetDebugSink(CaptureDebugLine);
    }
    void TearDown() override { platform::SetDebugSink(m_previous); }

private:
    platform::DebugSinkFn m_previous = nullptr;
};

std::vector<std::int32_t> Days(std::initializer_list<double> serials)
{
    return std::vector<std::int32_t>(serials.begin(), serials.end());
}

} // namespace

TEST_F(HolidayListTest, DatesSeparatedByCommasOrWhiteSpaceInAnyMix)
{
    const HolidayChanges c = ParseHolidayChanges(" 23/04/2030,24/04/2030 , 25/04/2030\t26/04/2030\r\n,,1/5/2030,",
                                                 "06/05/2030   02/01/2031");
    EXPECT_EQ(c.Added(), Days({Serial(2030, 4, 23), Serial(2030, 4, 24), Serial(2030, 4, 25), Serial(2030, 4, 26),
                               Serial(2030, 5, 1)}));
    EXPECT_EQ(c.Removed(), Days({Serial(2030, 5, 6), Serial(2031, 1, 2)}));
    EXPECT_TRUE(g_debugLines.empty());
    EXPECT_TRUE(ParseHolidayChanges(nullptr, nullptr).Empty());
    EXPECT_TRUE(ParseHolidayChanges("", " , ").Empty());
}

TEST_F(HolidayListTest, MalformedEntriesAreIgnoredAndNamedOnTheDebugOutput)
{
    const char* const kBad[] = {"31/02/2030", "29/02/2030", "2030-04-23", "23/04/30", "23.04.2030", "23/04/2030x",
                                "/04/2030",   "123/04/2030", "23/004/2030", "0/4/2030", "23/13/2030", "23/04/0099",
                                "23/04/",     "x",           "-1/04/2030", "23/04/20300"};
    std::string add = "22/04/2030";
    for (const char* bad : kBad)
        add += std::string(",") + bad;
    add += " 24/04/2030";
    const HolidayChanges c = ParseHolidayChanges(add.c_str(), "7/5/2030 ,07/05/2030/");
    EXPECT_EQ(c.Added(), Days({Serial(2030, 4, 22), Serial(2030, 4, 24)}));
    EXPECT_EQ(c.Removed(), Days({Serial(2030, 5, 7)}));
    ASSERT_EQ(g_debugLines.size(), std::size(kBad) + 1);
    for (std::size_t i = 0; i < std::size(kBad); ++i) {
        EXPECT_NE(g_debugLines[i].find("Add: '" + std::string(kBad[i]) + "'"), std::string::npos) << g_debugLines[i];
        EXPECT_NE(g_debugLines[i].find("[Bank Holidays]"), std::string::npos);
        EXPECT_EQ(g_debugLines[i].back(), '\n');
    }
    EXPECT_NE(g_debugLines.back().find("Remove: '07/05/2030/'"), std::string::npos) << g_debugLines.back();
}

TEST_F(HolidayListTest, ListsOfAnyLengthAreReadWhole)
{
    // Ten years of weekdays, one malformed entry in the middle.
    std::string add;
    std::vector<std::int32_t> expected;
    for (double s = Serial(2030, 1, 1); s < Serial(2040, 1, 1); ++s) {
        const int weekday = DayOfWeek(s);
        if (weekday == 0 || weekday == 6)
            continue;
        CalendarDate d;
        SerialToDate(s, d);
        char text[16];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", d.day, d.month, d.year);
        add += add.empty() ? "" : ", ";
        add += text;
        expected.push_back(static_cast<std::int32_t>(s));
        if (expected.size() == 1300)
            add += ", 99/99/9999";
    }
    ASSERT_GT(add.size(), 30000u);
    const HolidayChanges c = ParseHolidayChanges(add.c_str(), nullptr);
    EXPECT_EQ(c.Added(), expected);
    ASSERT_EQ(g_debugLines.size(), 1u);
    EXPECT_NE(g_debugLines[0].find("'99/99/9999'"), std::string::npos);

    // An entry as long as a list is named by its start only.
    const std::string garbage(100000, '7');
    ParseHolidayChanges(nullptr, garbage.c_str());
    ASSERT_EQ(g_debugLines.size(), 2u);
    EXPECT_NE(g_debugLines[1].find("'" + garbage.substr(0, 40) + "...'"), std::string::npos);
    EXPECT_LT(g_debugLines[1].size(), 200u);
}

TEST_F(HolidayListTest, AnAddedWeekendDayIsNamedAndChangesNothing)
{
    const HolidayChanges c = ParseHolidayChanges("27/04/2030", nullptr);
    ASSERT_EQ(g_debugLines.size(), 1u);
    EXPECT_NE(g_debugLines[0].find("'27/04/2030' is a Saturday or Sunday"), std::string::npos);
    std::int32_t days = 0;
    NonBankingReason reason = NonBankingReason::None;
    EXPECT_FALSE(IsBankingDay(Serial(2030, 4, 27), days, reason, c));
    EXPECT_EQ(days, 2);
    EXPECT_EQ(reason, NonBankingReason::Weekend);
}

TEST(HolidayDateTest, DayMonthYearWithOrWithoutLeadingZeros)
{
    double s = -1;
    EXPECT_TRUE(ParseHolidayDate("01/06/2022", s));
    EXPECT_EQ(s, Serial(2022, 6, 1));
    EXPECT_TRUE(ParseHolidayDate("1/6/2022", s));
    EXPECT_EQ(s, Serial(2022, 6, 1));
    EXPECT_TRUE(ParseHolidayDate("29/02/2028", s));
    EXPECT_EQ(s, Serial(2028, 2, 29));
    s = -1;
    for (const char* bad : {"", "01/06/2022 ", " 01/06/2022", "01-06-2022", "06/2022", "01/06/22", "1/6/+222"})
        EXPECT_FALSE(ParseHolidayDate(bad, s)) << bad;
    EXPECT_EQ(s, -1);
}
