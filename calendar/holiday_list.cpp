#include "calendar/holiday_list.h"

#include "platform/platform.h"
#include "platform/serial_date.h"

#include <cctype>

namespace qf {
namespace {

bool IsSeparator(char c) { return c == ',' || std::isspace(static_cast<unsigned char>(c)); }

// Reads minDigits to maxDigits digits at text[pos]; pos moves past them.
bool ReadNumber(const std::string& text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits, int& value)
{
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && std::isdigit(static_cast<unsigned char>(text[pos])))
        value = value * 10 + (text[pos++] - '0');
    return pos - start >= minDigits;
}

// A diagnostic names the entry; an entry can be as long as the whole list,
// and a debug line of megabytes helps nobody.
std::string Shown(const std::string& entry)
{
    const std::size_t kMax = 40;
    return entry.size() <= kMax ? entry : entry.substr(0, kMax) + "...";
}

void Diagnose(const char* list, const std::string& entry, const char* problem)
{
    const std::string line = std::string("Quillfen: BANKSERV.INI [Bank Holidays] ") + list + ": '" + Shown(entry) +
                             "' " + problem + "\n";
    platform::DebugOutput(line.c_str());
}

template <typename Store>
void ReadList(const char* text, const char* list, Store store)
{
    if (!text)
        return;
    const std::string all(text);
    std::size_t pos = 0;
    while (pos < all.size()) {
        if (IsSeparator(all[pos])) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < all.size() && !IsSeparator(all[pos]))
            ++pos;
        const std::string entry = all.substr(start, pos - start);
        double serial = 0;
        if (ParseHolidayDate(entry, serial))
            store(serial, entry);
        else
            Diagnose(list, entry, "is not a date as DD/MM/YYYY and is ignored");
    }
}

} // namespace

bool ParseHolidayDate(const std::string& text, double& serial)
{
    std::size_t pos = 0;
    int day = 0, month = 0, year = 0;
    if (!ReadNumber(text, pos, 1, 2, day) || pos >= text.size() || text[pos++] != '/')
        return false;
    if (!ReadNumber(text, pos, 1, 2, month) || pos >= text.size() || text[pos++] != '/')
        return false;
    if (!ReadNumber(text, pos, 4, 4, year) || pos != text.size())
        return false;
    // Below the year 100 there is no serial date to work with.
    if (year < 100)
        return false;
    return DateToSerial(year, month, day, serial);
}

HolidayChanges ParseHolidayChanges(const char* addList, const char* removeList)
{
    HolidayChanges changes;
    ReadList(addList, "Add", [&](double day, const std::string& entry) {
        const int weekday = DayOfWeek(day);
        if (weekday == 0 || weekday == 6)
            Diagnose("Add", entry, "is a Saturday or Sunday and changes nothing");
        changes.Add(day);
    });
    ReadList(removeList, "Remove", [&](double day, const std::string&) { changes.Remove(day); });
    return changes;
}

} // namespace qf
