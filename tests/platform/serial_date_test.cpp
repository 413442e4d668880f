#include "platform/serial_date.h"

#include <gtest/gtest.h>

using namespace qf;

TEST(SerialDateTest, KnownSerialNumbers)
{
    double s = 0;
    ASSERT_TRUE(DateToSerial(1899, 12, 30, s));
    EXPECT_EQ(s, 0.0);
    ASSERT_TRUE(DateToSerial(1900, 1, 1, s));
    EXPECT_EQ(s, 2.0);
    ASSERT_TRUE(DateToSerial(1900, 3, 1, s));
    EXPECT_EQ(s, 61.0); // no 29 February 1900 in a proleptic Gregorian calendar
    ASSERT_TRUE(DateToSerial(2024, 3, 5, s));
    EXPECT_EQ(s, 45356.0);
    ASSERT_TRUE(DateToSerial(2199, 12, 31, s));
    EXPECT_EQ(s, 109574.0);
}

TEST(SerialDateTest, InvalidDatesAreNoDates)
{
    double s = -1;
    EXPECT_FALSE(DateToSerial(2024, 2, 30, s));
    EXPECT_FALSE(DateToSerial(2023, 2, 29, s));
    EXPECT_FALSE(DateToSerial(2024, 13, 1, s));
    EXPECT_FALSE(DateToSerial(2024, 0, 1, s));
    EXPECT_FALSE(DateToSerial(2024, 4, 31, s));
    EXPECT_FALSE(DateToSerial(2024, 1, 0, s));
    EXPECT_EQ(s, -1);
    EXPECT_TRUE(DateToSerial(2024, 2, 29, s));
    EXPECT_TRUE(DateToSerial(2000, 2, 29, s));
}

TEST(SerialDateTest, RoundTripAndTimeOfDay)
{
    for (double serial = 2; serial <= 109574; serial += 1) {
        CalendarDate d;
        ASSERT_TRUE(SerialToDate(serial + 0.999, d));
        double back = -1;
        ASSERT_TRUE(DateToSerial(d.year, d.month, d.day, back));
        ASSERT_EQ(back, serial);
    }
    CalendarDate d;
    EXPECT_FALSE(SerialToDate(1.0 / 0.0, d));
}

TEST(SerialDateTest, DayOfWeek)
{
    double s = 0;
    ASSERT_TRUE(DateToSerial(2024, 3, 5, s)); // a Tuesday
    EXPECT_EQ(DayOfWeek(s), 2);
    EXPECT_EQ(DayOfWeek(s + 0.75), 2);
    ASSERT_TRUE(DateToSerial(2023, 12, 31, s)); // a Sunday
    EXPECT_EQ(DayOfWeek(s), 0);
}

// Stamps moved by days or months keep the minute, cross month, year and
// leap-day ends exactly, and refuse what is no stamp.
TEST(SerialDateTest, StampsMovedByDaysAndMonths)
{
    struct Case {
        std::int64_t stamp;
        int days, months;
        std::int64_t daysBefore, monthsBefore;
    };
    const Case cases[] = {
        {202603011030, 1, 1, 202602281030, 202602011030},
        {202403011030, 1, 1, 202402291030, 202402011030},
        {202701010000, 1, 13, 202612310000, 202512010000},
        {202703312359, 30, 13, 202703012359, 202602282359},
        {202803312359, 366, 1, 202703312359, 202802292359},
        {202612310800, -1, -2, 202701010800, 202702280800},
        {202612310800, 0, 0, 202612310800, 202612310800},
        {202602301030, 1, 1, 0, 0},  // 30 February
        {202601012400, 1, 1, 0, 0},  // hour 24
        {1000101, 1, 1, 0, 0},       // no year 0
        {-202601011030, 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stamp);
        EXPECT_EQ(StampDaysBefore(c.stamp, c.days), c.daysBefore);
        EXPECT_EQ(StampMonthsBefore(c.stamp, c.months), c.monthsBefore);
    }
    EXPECT_EQ(StampMonthsBefore(10001011200, 1), 0); // before the year 100
}
