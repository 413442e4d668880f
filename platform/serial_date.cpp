#include "platform/serial_date.h"

#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qf {
namespace {

// Days from 1 March of year 0 (proleptic Gregorian), after H. Hinnant's
// days_from_civil; shifted so that 30 December 1899 is day 0.
long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const long long kEpoch = DaysFromCivil(1899, 12, 30) ; // relative to 1970-01-01

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 100 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool DateToSerial(int year, int month, int day, double& serial)
{
    if (!IsValidDate(year, month, day))
        return false;
    serial = static_cast<double>(DaysFromCivil(year, month, day) - kEpoch);
    return true;
}

double DateToSerial(const CalendarDate& date)
{
    return static_cast<double>(DaysFromCivil(date.year, date.month, date.day) - kEpoch);
}

bool SerialToDate(double serial, CalendarDate& date)
{
    if (!std::isfinite(serial))
        return false;
    const double whole = std::floor(serial);
    if (whole < -657434.0 || whole > 2958465.0) // 1 January 100 .. 31 December 9999
        return false;
    CivilFromDays(static_cast<long long>(whole) + kEpoch, date.year, date.month, date.day);
    return true;
}

int DayOfWeek(double serial)
{
    // Day 0 (30 December 1899) was a Saturday.
    long long d = static_cast<long long>(std::floor(serial));
    long long w = (d + 6) % 7;
    if (w < 0)
        w += 7;
    return static_cast<int>(w);
}

bool IsDateNumber(std::uint64_t date)
{
    return date < 100000000 &&
           IsValidDate(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100), static_cast<int>(date % 100));
}

bool IsStampNumber(std::uint64_t stamp)
{
    return stamp < 1000000000000 && IsDateNumber(stamp / 10000) && stamp / 100 % 100 < 24 && stamp % 100 < 60;
}

namespace {
// A stamp of a valid date and the minute of its day; 0 when that is none.
std::int64_t StampOf(int year, int month, int day, std::int64_t minute)
{
    if (!IsValidDate(year, month, day))
        return 0;
    return (static_cast<std::int64_t>(year) * 10000 + month * 100 + day) * 10000 + minute;
}
} // namespace

std::int64_t StampDaysBefore(std::int64_t stamp, int days)
{
    if (stamp < 0 || !IsStampNumber(static_cast<std::uint64_t>(stamp)))
        return 0;
    const std::int64_t date = stamp / 10000;
    const long long serial =
        DaysFromCivil(date / 10000, static_cast<int>(date / 100 % 100), static_cast<int>(date % 100)) - days;
    int year, month, day;
    CivilFromDays(serial, year, month, day);
    return StampOf(year, month, day, stamp % 10000);
}

std::int64_t StampMonthsBefore(std::int64_t stamp, int months)
{
    if (stamp < 0 || !IsStampNumber(static_cast<std::uint64_t>(stamp)))
        return 0;
    const std::int64_t date = stamp / 10000;
    const long long count = date / 10000 * 12 + (date / 100 % 100 - 1) - months;
    if (count < 0 || count > 9999 * 12 + 11)
        return 0;
    const int year = static_cast<int>(count / 12), month = static_cast<int>(count % 12) + 1;
    const int day = std::min(static_cast<int>(date % 100), DaysInMonth(year, month));
    return StampOf(year, month, day, stamp % 10000);
}

std::int64_t NowStamp()
{
    const platform::LocalTime t = platform::Now();
    return ((static_cast<std::int64_t>(t.year) * 100 + t.month) * 100 + t.day) * 10000 + t.hour * 100 + t.minute;
}

std::string DayText(std::int64_t dateOrStamp)
{
    const std::int64_t date = dateOrStamp > 99999999 ? dateOrStamp / 10000 : dateOrStamp;
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", static_cast<int>(date % 100), static_cast<int>(date / 100 % 100),
                  static_cast<int>(date / 10000 % 10000));
    return text;
}

std::string StampText(std::int64_t stamp)
{
    char time[16];
    std::snprintf(time, sizeof time, " at %02d:%02d", static_cast<int>(stamp / 100 % 100), static_cast<int>(stamp % 100));
    return DayText(stamp) + time;
}

std::int32_t DateNumber(double serial)
{
    CalendarDate date;
    return SerialToDate(serial, date) ? date.year * 10000 + date.month * 100 + date.day : 0;
}

} // namespace qf
