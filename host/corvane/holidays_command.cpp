#include "host/corvane/holidays_command.h"

#include <cmath>
#include <cstdio>

#include "calendar/calendar.h"
#include "calendar/holiday_list.h"
#include "platform/platform.h"
#include "platform/serial_date.h"
#include "host/corvane/command_line.h"
#include "host/corvane/console_text.h"
#include "settings/settings_store.h"

namespace corvane {
namespace {

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string Describe(double serial)
{
    qf::CalendarDate date;
    qf::SerialToDate(serial, date);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %s", date.day, date.month, date.year,
                  kDayNames[qf::DayOfWeek(std::floor(serial))]);
    return text;
}

// Malformed entries in the user's lists are worth telling the person at the
// console, not only a debugger.
void WarnOnStderr(const char* text) { PrintText(stderr, "corvane: warning: %s", text); }

qf::HolidayChanges UserChanges()
{
    const qf::BankHolidayLists lists = qf::ReadBankHolidayLists();
    const qf::platform::DebugSinkFn previous = qf::platform::SetDebugSink(WarnOnStderr);
    qf::HolidayChanges changes = qf::ParseHolidayChanges(lists.add.c_str(), lists.remove.c_str());
    qf::platform::SetDebugSink(previous);
    return changes;
}

const char* SourceText(qf::HolidaySource source)
{
    switch (source) {
    case qf::HolidaySource::Rule: return "rule";
    case qf::HolidaySource::BuiltInList: return "built-in list";
    case qf::HolidaySource::UserAdded: return "user added";
    case qf::HolidaySource::UserRemoved: return "user removed";
    default: return "";
    }
}

int PrintYear(int year)
{
    const qf::HolidayChanges user = UserChanges();
    double first = 0, last = 0;
    qf::DateToSerial(year, 1, 1, first);
    qf::DateToSerial(year, 12, 31, last);
    for (double day = first; day <= last; ++day) {
        const qf::HolidaySource source = qf::HolidaySourceOf(day, user);
        if (source == qf::HolidaySource::None)
            continue;
        PrintText(stdout, "%-20s  %s\n", Describe(day).c_str(), SourceText(source));
    }
    return 0;
}

int PrintNext(double submitted)
{
    const qf::HolidayChanges user = UserChanges();
    const double credited = qf::NextCreditingDate(submitted, user);
    // Only at the very end of the calendar is there no later banking day.
    if (std::floor(credited) <= std::floor(submitted))
        return UsageError("holidays --next: no crediting date follows " + Describe(submitted));
    PrintText(stdout, "%s\n", Describe(credited).c_str());
    return 0;
}

bool ParseYear(const std::string& text, int& year)
{
    if (text.size() != 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    year = std::stoi(text);
    // The rules need the Gregorian calendar, and serial dates the years up to 9999.
    return year >= 1900;
}

} // namespace

int RunHolidays(const std::vector<std::string>& args)
{
    bool next = false;
    std::vector<std::string> values;
    for (const std::string& a : args) {
        if (a == "--next")
            next = true;
        else if (!a.empty() && a[0] == '-')
            return UsageError("holidays: unknown option '" + a + "'");
        else
            values.push_back(a);
    }
    if (values.size() > 1)
        return UsageError("holidays: more than one " + std::string(next ? "date" : "year") + " given");

    const double today = std::floor(qf::Today());
    if (next) {
        double submitted = today;
        if (!values.empty() && !qf::ParseHolidayDate(values[0], submitted))
            return UsageError("holidays --next: '" + values[0] + "' is not a date as DD/MM/YYYY");
        return PrintNext(submitted);
    }
    int year = 0;
    if (values.empty()) {
        qf::CalendarDate date;
        qf::SerialToDate(today, date);
        year = date.year;
    } else if (!ParseYear(values[0], year)) {
        return UsageError("holidays: '" + values[0] + "' is not a year from 1900 to 9999");
    }
    return PrintYear(year);
}

} // namespace corvane
