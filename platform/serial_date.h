// OLE Automation ("serial") dates: days since 30 December 1899, the time of
// day as the fraction. One conversion of our own serves both builds, so
// that the calendar, the dialog and the statement reader agree everywhere.
//
// Validity: month 1..12 and day 1..last day of that month; anything else is
// no date (31 February is never rolled into March). Serial dates are whole
// days rounded down: 45000.99 is the same day as 45000.0.
#pragma once
#include <cstdint>
#include <string>

namespace qf {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const CalendarDate& o) const { return year == o.year && month == o.month && day == o.day; }
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);          // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);

// Serial number of a calendar date; false (and out untouched) for no date.
bool DateToSerial(int year, int month, int day, double& serial);
double DateToSerial(const CalendarDate& date); // caller guarantees a valid date
// Calendar date of a serial date (fraction dropped, rounding down).
// False for values outside 1 January 100 .. 31 December 9999 or not finite.
bool SerialToDate(double serial, CalendarDate& date);
// 0 = Sunday .. 6 = Saturday
int DayOfWeek(double serial);

// Dates and moments as the component's files keep them, as numbers:
// YYYYMMDD, and YYYYMMDDhhmm (local time). Whether one is a real day or
// minute.
bool IsDateNumber(std::uint64_t date);
bool IsStampNumber(std::uint64_t stamp);
// The same minute of the day, days days earlier (later for a negative
// number); 0 for a stamp that is none or a result outside the years
// 100..9999.
std::int64_t StampDaysBefore(std::int64_t stamp, int days);
// The same minute, months months earlier, on that month's last day when it
// is shorter (31 March less one month is 28 or 29 February); 0 as above.
std::int64_t StampMonthsBefore(std::int64_t stamp, int months);
// The stamp of the local clock's minute now (platform::Now).
std::int64_t NowStamp();
// "DD/MM/YYYY" of a date (YYYYMMDD) or a stamp (YYYYMMDDhhmm), and
// "DD/MM/YYYY at hh:mm" of a stamp, as messages show them.
std::string DayText(std::int64_t dateOrStamp);
std::string StampText(std::int64_t stamp);
// YYYYMMDD of a serial date; 0 for none.
std::int32_t DateNumber(double serial);

} // namespace qf
