#include "host/corvane/paid_command.h"

#include <windows.h>

#include <cstdio>

#include "host/corvane/console_text.h"
#include "host/corvane/run_options.h"
#include "platform/serial_date.h"
#include "payments/paid/paid_record_file.h"
#include "settings/record_locations.h"

namespace corvane {
namespace {

const char* const kLayouts[] = {"standard", "template", "bulklist", "adhoc"};

std::string Minute(std::int64_t stamp)
{
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(stamp / 100 % 100), static_cast<int>(stamp % 100));
    return qf::DayText(stamp) + " " + time;
}

int ListPaid(const std::string& path, const std::string& account)
{
    qf::PaidRecordFile file(path);
    qf::PaidRecord record;
    std::string why;
    const qf::FileState state = file.Load(record, why);
    if (state == qf::FileState::Missing) {
        PrintText(stdout, "No payments are recorded as written from %s\n", account.c_str());
        return kExitDone;
    }
    if (state != qf::FileState::Read)
        return Report("the record of payments written from " + account + " cannot be read: " + why, kExitNotDone);
    const std::vector<qf::PaidWriting> writings = record.Writings();
    PrintText(stdout, "Payments written from %s (%s): %zu in %zu %s\n", account.c_str(), path.c_str(), record.Size(),
              writings.size(), writings.size() == 1 ? "file" : "files");
    if (!writings.empty())
        PrintText(stdout, "%-16s  %-10s  %-8s  %8s  %s\n", "Written", "Processed", "Layout", "Payments", "File");
    for (const qf::PaidWriting& w : writings)
        PrintText(stdout, "%-16s  %-10s  %-8s  %8zu  %s\n", Minute(w.written).c_str(), qf::DayText(w.processingDate).c_str(),
                  kLayouts[w.layout & 3], w.count, w.fileName.c_str());
    return kExitDone;
}

int ForgetPaid(const std::string& path, const std::string& account)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        PrintText(stdout, "No payments are recorded as written from %s\n", account.c_str());
        return kExitDone;
    }
    qf::PaidRecordFile file(path);
    std::string why;
    if (file.Forget(why) != qf::SharedFile::Outcome::Replaced)
        return Report("cannot forget the payments written from " + account + ": " + why, kExitNotDone);
    PrintText(stdout, "Forgot the payments written from %s\n", account.c_str());
    return kExitDone;
}

} // namespace

int PaidCommand(const std::vector<std::wstring>& arguments)
{
    OptionReader args(arguments);
    std::wstring sortCode, accountNumber;
    bool haveAccount = false, forget = false;
    std::string v;
    while (args.Next()) {
        if (args.Is("--account")) {
            if (!args.Value(v) || !ParseAccount(v, sortCode, accountNumber))
                return UsageError("--account takes SORTCODE:ACCOUNT");
            haveAccount = true;
        } else if (args.IsFlag("--forget")) {
            forget = true;
        } else {
            return args.Unknown();
        }
    }
    if (args.Failed())
        return args.Error();
    if (!haveAccount)
        return UsageError("paid needs --account SORTCODE:ACCOUNT");
    const std::string sort = AccountDigits(sortCode, 6), number = AccountDigits(accountNumber, 8);
    std::string path, why;
    if (sort.empty() || number.empty() || !qf::PaidRecordPath(sort, number, false, path, why))
        return InputError(why.empty() ? "--account: not a sort code and an account number of digits" : why);
    const std::string account = sort.substr(0, 2) + "-" + sort.substr(2, 2) + "-" + sort.substr(4) + " " + number;
    return forget ? ForgetPaid(path, account) : ListPaid(path, account);
}

} // namespace corvane
