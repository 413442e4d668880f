#include "host/corvane/run_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace corvane {

bool ParseDate(const std::string& text, Date& date)
{
    int d = 0, m = 0, y = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2d/%2d/%4d%c", &d, &m, &y, &tail) != 3)
        return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > days[m - 1] || y < 1900)
        return false;
    if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return false;
    date = {d, m, y};
    return true;
}

bool ParseLong(const std::string& text, long& value)
{
    if (text.empty() || text.find_first_not_of("+-0123456789") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long wide = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end != '\0' || errno == ERANGE || wide < -2147483647LL - 1 || wide > 2147483647LL)
        return false;
    value = static_cast<long>(wide);
    return true;
}

bool ParseRows(const std::string& text, std::set<int>& rows)
{
    // Row numbers separated by single commas: 0,3 (not 0,,3 nor 0,3,).
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long row = 0;
        if (item.find_first_not_of("0123456789") != std::string::npos || !ParseLong(item, row) || row > 100000)
            return false;
        rows.insert(static_cast<int>(row));
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool ParseAccount(const std::string& text, std::wstring& sortCode, std::wstring& account)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    sortCode = Utf8ToWide(text.substr(0, colon));
    account = Utf8ToWide(text.substr(colon + 1));
    return true;
}

std::string AccountDigits(const std::wstring& text, std::size_t width)
{
    std::string digits;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9')
            digits.push_back(static_cast<char>(c));
        else if (c != L'-' && c != L' ')
            return {};
    }
    if (digits.empty() || digits.size() > width)
        return {};
    return std::string(width - digits.size(), '0') + digits;
}

bool SharedOption(OptionReader& args, Options& options, int& rc)
{
    std::string v;
    rc = 0;
    if (args.Is("--account")) {
        if (!args.Value(v) || !ParseAccount(v, options.sortCode, options.accountNumber))
            rc = UsageError("--account takes SORTCODE:ACCOUNT");
        options.haveAccount = true;
    } else if (args.IsFlag("--json")) {
        options.json = true;
    } else if (args.IsFlag("--interactive")) {
        options.interactive = true;
    } else {
        return false;
    }
    return true;
}

bool TakeFile(OptionReader& args, std::wstring& file, int& rc)
{
    rc = 0;
    if (!args.IsOperand())
        return false;
    if (!file.empty())
        rc = UsageError("more than one file given");
    file = args.Current();
    return true;
}

int ReadRunArguments(const std::vector<std::wstring>& arguments, CommandOption own, Options& options,
                     std::wstring& file)
{
    OptionReader args(arguments);
    int rc = 0;
    while (args.Next()) {
        if (!SharedOption(args, options, rc) && !TakeFile(args, file, rc) && !own(args, options, rc))
            return args.Unknown();
        if (rc)
            return rc;
    }
    return args.Failed() ? args.Error() : 0;
}

} // namespace corvane
