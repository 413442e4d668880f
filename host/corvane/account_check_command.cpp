#include "host/corvane/account_check_command.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "host/corvane/command_line.h"
#include "host/corvane/csv.h"
#include "host/corvane/host_paths.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace corvane {
namespace {

void WarnOnStderr(const char* text) { std::fprintf(stderr, "corvane: warning: %s", text); }

// Runs f with the component's diagnostics going to standard error.
template <typename F>
void WithWarnings(F f)
{
    const qf::platform::DebugSinkFn previous = qf::platform::SetDebugSink(WarnOnStderr);
    f();
    qf::platform::SetDebugSink(previous);
}

std::string WithoutSeparators(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '-' && c != ' ')
            out += c;
    return out;
}

bool AllDigits(const std::string& text, std::size_t count)
{
    return text.size() == count && text.find_first_not_of("0123456789") == std::string::npos;
}

// Six and eight digits once dashes and spaces are gone; otherwise why not.
bool ReadPair(const std::string& sortText, const std::string& accountText, std::string& sortCode,
              std::string& accountNumber, std::string& problem)
{
    sortCode = WithoutSeparators(sortText);
    accountNumber = WithoutSeparators(accountText);
    if (!AllDigits(sortCode, 6))
        problem = "'" + sortText + "' is not a sort code of 6 digits";
    else if (!AllDigits(accountNumber, 8))
        problem = "'" + accountText + "' is not an account number of 8 digits";
    else
        return true;
    return false;
}

std::string Verdict(const qf::AccountCheck& check)
{
    const std::string detail = qf::CheckDetail(check);
    return std::string(qf::ResultName(check.result)) + (detail.empty() ? "" : " " + detail);
}

qf::ModulusTableInUse TableOfSettings()
{
    std::string folder = qf::GetSettingsFilePath();
    folder.erase(folder.find_last_of('\\') + 1);
    return qf::LoadModulusTable(folder);
}

bool ReadInput(const std::wstring& path, std::string& text, std::string& error)
{
    if (path != L"-")
        return ReadFile(path, text, error);
    _setmode(_fileno(stdin), _O_BINARY);
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        text.append(buffer, n);
    if (std::ferror(stdin)) {
        error = "read error";
        return false;
    }
    return true;
}

// One line of output for each line of input, in order: a line that is no
// pair gives "error" and why, and the rest go on.
int CheckCsv(const std::wstring& path, const qf::ModulusTable& table)
{
    std::string text, error;
    if (!ReadInput(path, text, error))
        return Report("cannot read " + (path == L"-" ? std::string("standard input") : WideToUtf8(path)) + ": " + error,
                      kExitInput);
    _setmode(_fileno(stdout), _O_BINARY);
    std::string out = "sort_code,account_number,result,detail\n";
    bool problems = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t comma = line.find(',');
        std::string sortCode, accountNumber, problem;
        if (comma == std::string::npos || line.find(',', comma + 1) != std::string::npos) {
            problem = "not SORTCODE,ACCOUNT";
            sortCode = line;
        } else if (ReadPair(line.substr(0, comma), line.substr(comma + 1), sortCode, accountNumber, problem)) {
            const qf::AccountCheck check = qf::CheckAccount(table, sortCode.c_str(), accountNumber.c_str());
            problems = problems || check.result == qf::AccountCheckResult::Invalid;
            out += sortCode + "," + accountNumber + "," + qf::ResultName(check.result) + "," +
                   CsvField(qf::CheckDetail(check)) + "\n";
            continue;
        } else {
            sortCode = line.substr(0, comma);
            accountNumber = line.substr(comma + 1);
        }
        problems = true;
        out += CsvField(sortCode) + "," + CsvField(accountNumber) + ",error," + CsvField(problem) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return problems ? kExitProblems : kExitDone;
}

} // namespace

HostAccountCheck::HostAccountCheck()
{
    WithWarnings([this] {
        std::string mode;
        qf::ReadSettingText("Account Check", "Mode", mode);
        m_off = qf::ParseAccountCheckMode(mode) == qf::AccountCheckMode::Off;
        m_table = TableOfSettings();
    });
}

qf::AccountCheck HostAccountCheck::Check(const std::string& sortCode, const std::string& accountNumber) const
{
    std::string digits;
    for (char c : sortCode)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() != 6 || !AllDigits(accountNumber, 8))
        return {};
    return qf::CheckAccount(*m_table.table, digits.c_str(), accountNumber.c_str());
}

int RunAccountCheck(const std::vector<std::wstring>& arguments)
{
    OptionReader args(arguments);
    std::wstring csv;
    std::vector<std::string> operands;
    while (args.Next()) {
        if (args.Is("--csv")) {
            if (!args.Value(csv))
                return UsageError("account-check --csv takes a file, or - for standard input");
        } else if (args.IsOperand()) {
            operands.push_back(args.CurrentUtf8());
        } else {
            return args.Unknown();
        }
    }
    if (args.Failed())
        return args.Error();
    if (!csv.empty() && !operands.empty())
        return UsageError("account-check takes SORTCODE ACCOUNT or --csv FILE, not both");
    if (csv.empty() && operands.size() != 2)
        return UsageError("account-check takes SORTCODE ACCOUNT or --csv FILE");

    qf::ModulusTableInUse table;
    WithWarnings([&table] { table = TableOfSettings(); });
    if (!csv.empty())
        return CheckCsv(csv, *table.table);

    std::string sortCode, accountNumber, problem;
    if (!ReadPair(operands[0], operands[1], sortCode, accountNumber, problem))
        return UsageError("account-check: " + problem);
    const qf::AccountCheck check = qf::CheckAccount(*table.table, sortCode.c_str(), accountNumber.c_str());
    std::printf("%s %s %s\n", sortCode.c_str(), accountNumber.c_str(), Verdict(check).c_str());
    return check.result == qf::AccountCheckResult::Invalid ? kExitProblems : kExitDone;
}

} // namespace corvane
