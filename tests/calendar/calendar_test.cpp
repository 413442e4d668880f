#include "calendar/calendar.h"

#include "platform/platform.h"
#include "platform/serial_date.h"

#include <gtest/gtest.h>

#include "tests/calendar/calendar_cases.h"

#include <cmath>
#include <limits>
#include <vector>

using namespace qf;

namespace {

// One expected classification; days 0 means a banking day. The weekday is
// stated too, so that a mistyped date shows up instead of testing another day.
struct DayCase {
    int y, m, d, weekday;
    int days;
    NonBankingReason reason;
};

void Check(const std::vector<DayCase>& cases)
{
    for (const DayCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << '-' << c.m << '-' << c.d);
        const double s = Serial(c.y, c.m, c.d);
        ASSERT_EQ(DayOfWeek(s), c.weekday);
        std::int32_t days = -1;
        NonBankingReason reason = NonBankingReason(-1);
        EXPECT_EQ(IsBankingDay(s, days, reason), c.days == 0);
        EXPECT_EQ(days, c.days);
        EXPECT_EQ(static_cast<int>(reason), static_cast<int>(c.reason));
    }
}

} // namespace

TEST(BankingDayTest, NewYear)
{
    Check({
        {2023, 1, 1, Sun, 2, BH}, {2023, 1, 2, Mon, 1, BH}, {2023, 1, 3, Tue, 0, None},
        {2022, 1, 1, Sat, 3, BH}, {2022, 1, 2, Sun, 2, BH}, {2022, 1, 3, Mon, 1, BH}, // Monday 3rd: substitute
        {2022, 1, 4, Tue, 0, None}, {2022, 1, 8, Sat, 2, WE}, {2022, 1, 10, Mon, 0, None},
        {2021, 1, 1, Fri, 3, BH}, {2021, 1, 2, Sat, 2, BH}, {2021, 1, 3, Sun, 1, WE}, // the list's day: to Monday
        {2010, 1, 1, Fri, 1, BH}, {2010, 1, 2, Sat, 2, BH}, // the rule's own count: to Saturday
        {2024, 1, 1, Mon, 1, BH}, {2024, 1, 2, Tue, 0, None},
        {2025, 1, 1, Wed, 1, BH}, {2025, 1, 2, Thu, 0, None},
    });
}

TEST(BankingDayTest, GoodFridayAndEasterMonday)
{
    Check({
        {2022, 4, 14, Thu, 0, None}, {2022, 4, 15, Fri, 4, BH}, {2022, 4, 16, Sat, 2, WE},
        {2022, 4, 17, Sun, 1, WE}, {2022, 4, 18, Mon, 1, BH}, {2022, 4, 19, Tue, 0, None},
        {2022, 4, 8, Fri, 0, None}, {2022, 4, 11, Mon, 0, None}, {2022, 4, 25, Mon, 0, None},
        // Easter in March, and the holidays either side of the month boundary
        {2008, 3, 21, Fri, 4, BH}, {2008, 3, 24, Mon, 1, BH}, {2008, 3, 31, Mon, 0, None},
        {2024, 3, 29, Fri, 4, BH}, {2024, 4, 1, Mon, 1, BH},
        {2011, 4, 22, Fri, 4, BH}, {2011, 4, 25, Mon, 1, BH},
    });
}

TEST(BankingDayTest, MayAndAugustMondays)
{
    Check({
        {2022, 5, 2, Mon, 1, BH}, {2022, 5, 9, Mon, 0, None}, {2022, 5, 30, Mon, 0, None}, // moved to 2 June
        {2017, 5, 29, Mon, 1, BH}, {2030, 5, 27, Mon, 1, BH},
        {2022, 5, 3, Tue, 0, None}, {2022, 5, 7, Sat, 2, WE}, {2022, 5, 29, Sun, 1, WE},
        {2018, 5, 7, Mon, 1, BH}, {2023, 5, 8, Mon, 1, BH}, {2021, 5, 24, Mon, 0, None}, // 2023: an added day
        {2017, 5, 8, Mon, 0, None}, {2020, 5, 4, Mon, 0, None}, {2020, 5, 8, Fri, 3, BH}, // 2020: moved to Friday
        {2020, 5, 25, Mon, 1, BH}, {2021, 5, 31, Mon, 1, BH},
        {2022, 8, 29, Mon, 1, BH}, {2022, 8, 22, Mon, 0, None}, {2022, 8, 1, Mon, 0, None},
        {2025, 8, 25, Mon, 1, BH}, {2020, 8, 24, Mon, 0, None}, {2020, 8, 31, Mon, 1, BH},
        {2022, 8, 27, Sat, 2, WE},
    });
}

// One year for each day of the week of Christmas Day. A holiday on a weekend
// is refused as a weekend, one on a weekday as a bank holiday.
TEST(BankingDayTest, Christmas)
{
    Check({
        {2022, 12, 25, Sun, 3, WE}, {2022, 12, 26, Mon, 2, BH}, {2022, 12, 27, Tue, 1, BH}, {2022, 12, 28, Wed, 0, None},
        {2023, 12, 25, Mon, 2, BH}, {2023, 12, 26, Tue, 1, BH}, {2023, 12, 27, Wed, 0, None}, {2023, 12, 28, Thu, 0, None},
        {2018, 12, 25, Tue, 2, BH}, {2018, 12, 26, Wed, 1, BH}, {2018, 12, 27, Thu, 0, None}, {2018, 12, 28, Fri, 0, None},
        {2019, 12, 25, Wed, 2, BH}, {2019, 12, 26, Thu, 1, BH}, {2019, 12, 27, Fri, 0, None}, {2019, 12, 28, Sat, 2, WE},
        {2014, 12, 25, Thu, 4, BH}, {2014, 12, 26, Fri, 3, BH}, {2014, 12, 27, Sat, 2, WE}, {2014, 12, 28, Sun, 1, WE},
        {2020, 12, 25, Fri, 4, BH}, {2020, 12, 26, Sat, 3, WE}, {2020, 12, 27, Sun, 2, WE}, {2020, 12, 28, Mon, 1, BH},
        {2021, 12, 25, Sat, 4, WE}, {2021, 12, 26, Sun, 3, WE}, {2021, 12, 27, Mon, 2, BH}, {2021, 12, 28, Tue, 1, BH},
        {2021, 12, 24, Fri, 0, None}, {2021, 12, 29, Wed, 0, None}, {2020, 12, 29, Tue, 0, None},
        {2022, 12, 24, Sat, 2, WE}, {2022, 12, 31, Sat, 2, WE},
    });
}

TEST(BankingDayTest, TimeOfDayIsIgnoredAndSerialsAreFixed)
{
    // The same serial numbers in every build: 44562 is Saturday 1 January 2022.
    EXPECT_EQ(Serial(2022, 1, 1), 44562.0);
    for (double fraction : {0.0, 0.25, 0.75, 0.999999}) {
        std::int32_t days = 0;
        NonBankingReason reason = None;
        EXPECT_FALSE(IsBankingDay(44562 + fraction, days, reason));
        EXPECT_EQ(days, 3);
        EXPECT_EQ(reason, BH);
        EXPECT_TRUE(IsBankingDay(44565 + fraction, days, reason)); // Tuesday 4 January
        EXPECT_FALSE(IsWeekday(44562 + fraction));
        EXPECT_TRUE(IsWeekday(44564 + fraction));
    }
}

TEST(BankingDayTest, ValueThatIsNoDateIsRefusedWithoutAdvance)
{
    const double kNoDates[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.0};
    for (double value : kNoDates) {
        SCOPED_TRACE(value);
        std::int32_t days = -1;
        NonBankingReason reason = BH;
        EXPECT_FALSE(IsBankingDay(value, days, reason));
        EXPECT_EQ(days, 0);
        EXPECT_EQ(reason, None);
        EXPECT_FALSE(IsWeekday(value));
        const double next = NextCreditingDate(value);
        EXPECT_TRUE(next == value || (std::isnan(next) && std::isnan(value)));
    }
    std::int32_t days = -1;
    NonBankingReason reason = None;
    EXPECT_TRUE(IsBankingDay(2958465.5, days, reason)); // Friday 31 December 9999, the last date
}

namespace {

// The anonymous Gregorian computus (Meeus, after Butcher): a different
// derivation from the one under test. Returns day of March (32 = 1 April).
int EasterDayOfMarch(int y)
{
    const int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    return h + l - 7 * m + 22;
}

} // namespace

TEST(EasterTest, PublishedDates)
{
    struct { int year, month, day; } const kDates[] = {
        {1818, 3, 22}, {2285, 3, 22}, {1943, 4, 25}, {2038, 4, 25}, // the earliest and latest possible
        {1900, 4, 15}, {1999, 4, 4}, {2000, 4, 23}, {2001, 4, 15}, {2002, 3, 31}, {2003, 4, 20},
        {2004, 4, 11}, {2005, 3, 27}, {2006, 4, 16}, {2007, 4, 8}, {2008, 3, 23}, {2009, 4, 12},
        {2010, 4, 4}, {2011, 4, 24}, {2012, 4, 8}, {2013, 3, 31}, {2014, 4, 20}, {2015, 4, 5},
        {2016, 3, 27}, {2017, 4, 16}, {2018, 4, 1}, {2019, 4, 21}, {2020, 4, 12}, {2021, 4, 4},
        {2022, 4, 17}, {2023, 4, 9}, {2024, 3, 31}, {2025, 4, 20},
    };
    for (const auto& e : kDates)
        EXPECT_EQ(EasterSunday(e.year), Serial(e.year, e.month, e.day)) << e.year;
}

TEST(EasterTest, AgreesWithAnotherComputusForEveryGregorianYear)
{
    for (int year = 1583; year <= 9999; ++year) {
        const int n = EasterDayOfMarch(year);
        const double expected = n > 31 ? Serial(year, 4, n - 31) : Serial(year, 3, n);
        ASSERT_EQ(EasterSunday(year), expected) << year;
        ASSERT_EQ(DayOfWeek(expected), Sun) << year;
    }
}

TEST(TodayTest, ReadsThePlatformClockWithTimeOfDay)
{
    const platform::ClockFn previous = platform::SetClock([] {
        platform::LocalTime t;
        t.year = 2022, t.month = 1, t.day = 1, t.hour = 18, t.minute = 0, t.second = 0, t.milliseconds = 0;
        return t;
    });
    EXPECT_EQ(Today(), 44562.75);
    platform::SetClock([] {
        platform::LocalTime t;
        t.year = 2024, t.month = 3, t.day = 5, t.hour = 23, t.minute = 59, t.second = 59, t.milliseconds = 999;
        return t;
    });
    const double today = Today();
    EXPECT_EQ(std::floor(today), 45356.0); // the last millisecond is still the same day
    EXPECT_NEAR(today - 45356.0, (86400.0 - 0.001) / 86400.0, 1e-9);
    platform::SetClock(previous);
}

TEST(NextCreditingDateTest, ExamplesKeepTimeOfDay)
{
    struct { int y, m, d, weekday; int ey, em, ed; } const kCases[] = {
        {2022, 6, 6, Mon, 2022, 6, 8},   {2022, 6, 9, Thu, 2022, 6, 13},  {2022, 6, 10, Fri, 2022, 6, 14},
        {2022, 6, 11, Sat, 2022, 6, 14}, {2022, 6, 12, Sun, 2022, 6, 14},
        {2022, 4, 14, Thu, 2022, 4, 20},
        {2022, 4, 13, Wed, 2022, 4, 19}, // Saturday 16th, then Easter Monday, then Tuesday
        {2021, 12, 23, Thu, 2021, 12, 29}, {2021, 12, 24, Fri, 2021, 12, 30},
        {2021, 12, 30, Thu, 2022, 1, 4}, // processed Friday 31st, the substitute 3 January stepped over once
        {2022, 12, 23, Fri, 2022, 12, 29}, {2020, 12, 24, Thu, 2020, 12, 30},
        {2022, 5, 26, Thu, 2022, 5, 30}, // the spring holiday moved away from Monday 30 May
        {2022, 6, 1, Wed, 2022, 6, 7},   // over Thursday 2 and Friday 3 June
        {2017, 5, 25, Thu, 2017, 5, 30}, {2010, 12, 30, Thu, 2011, 1, 4},
        // Thursday Christmas: the 29th would leave no banking day to process the payment in
        {2014, 12, 24, Wed, 2014, 12, 30}, {2014, 12, 23, Tue, 2014, 12, 29},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.y << '-' << c.m << '-' << c.d);
        const double now = Serial(c.y, c.m, c.d);
        ASSERT_EQ(DayOfWeek(now), c.weekday);
        EXPECT_EQ(NextCreditingDate(now), Serial(c.ey, c.em, c.ed));
        EXPECT_EQ(NextCreditingDate(now + 0.875), Serial(c.ey, c.em, c.ed) + 0.875);
    }
}

namespace {

// The dates the holiday rules name, worked out here on their own terms.
bool IsNamedHolidayDate(const CalendarDate& date, int weekday, double serial)
{
    const double easter = EasterSunday(date.year);
    switch (date.month) {
    case 1: return date.day <= 3;
    case 3:
    case 4: return serial == easter - 2 || serial == easter + 1;
    case 5: return weekday == Mon && (date.day <= 7 || date.day >= 25);
    case 8: return weekday == Mon && date.day >= 25;
    case 12: return date.day >= 25 && date.day <= 28;
    default: return false;
    }
}

bool IsBanking(double s)
{
    std::int32_t days;
    NonBankingReason reason;
    return IsBankingDay(s, days, reason);
}

} // namespace

TEST(CalendarSweepTest, InvariantsFrom1900To2199)
{
    const double first = Serial(1900, 1, 1), last = Serial(2199, 12, 31);
    ASSERT_EQ(first, 2.0);
    ASSERT_EQ(last, 109574.0);
    int weekdayHolidaysThisYear = 0;
    for (double s = first; s <= last; ++s) {
        CalendarDate date;
        ASSERT_TRUE(SerialToDate(s, date));
        const int weekday = DayOfWeek(s);
        SCOPED_TRACE(testing::Message() << date.year << '-' << date.month << '-' << date.day);
        if (date.month == 1 && date.day == 1)
            weekdayHolidaysThisYear = 0;

        std::int32_t days = -1;
        NonBankingReason reason = NonBankingReason(-1);
        const bool banking = IsBankingDay(s, days, reason);
        const bool weekend = weekday == Sat || weekday == Sun;
        // The official list moves and adds holidays in the years it covers.
        const bool listYear = date.year >= BuiltInListFirstYear() && date.year <= BuiltInListLastYear();
        ASSERT_EQ(IsWeekday(s), !weekend);
        if (weekend) {
            ASSERT_FALSE(banking);
        } else if (!listYear && !IsNamedHolidayDate(date, weekday, s)) {
            ASSERT_TRUE(banking);
        }
        if (banking) {
            ASSERT_EQ(days, 0);
            ASSERT_EQ(reason, None);
        } else {
            ASSERT_TRUE(reason == BH || reason == WE);
            ASSERT_GE(days, 1);
            ASSERT_LE(days, 4);
            if (!weekend)
                ++weekdayHolidaysThisYear;
            // Over Christmas the count always reaches the next banking day.
            if (date.month == 12 && date.day >= 25 && date.day <= 28) {
                ASSERT_TRUE(IsBanking(s + days));
            }
        }

        std::int32_t laterDays = -1;
        NonBankingReason laterReason = None;
        ASSERT_EQ(IsBankingDay(s + 0.999, laterDays, laterReason), banking);
        ASSERT_EQ(laterDays, days);
        ASSERT_EQ(laterReason, reason);

        // Submitted at noon, credited on a banking day at least two days on
        // (time of day kept), with a banking day to process it in between;
        // never the fallback to now itself.
        const double now = s + 0.5;
        const double next = NextCreditingDate(now);
        ASSERT_GE(next, now + 2);
        ASSERT_LE(next, now + 9);
        ASSERT_EQ(next - std::floor(next), 0.5);
        ASSERT_TRUE(IsBanking(next));
        bool processingDay = false;
        for (double d = s + 1; d < next - 0.5; ++d)
            processingDay = processingDay || IsBanking(d);
        ASSERT_TRUE(processingDay);

        // England and Wales have eight bank holidays, each on a weekday or
        // moved to one.
        if (date.month == 12 && date.day == 31 && !listYear) {
            ASSERT_EQ(weekdayHolidaysThisYear, 8) << date.year;
        }
    }
}
