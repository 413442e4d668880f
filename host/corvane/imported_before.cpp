#include "host/corvane/imported_before.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "host/corvane/command_line.h"
#include "host/corvane/console_text.h"
#include "platform/file_lock.h"
#include "settings/record_locations.h"
#include "text/shared_file.h"

namespace corvane {
namespace {

const char kLead[] = " lines of this file for the account were imported before, the latest on ";

} // namespace

bool IsImportedBeforeQuestion(const std::string& text)
{
    return text.find(kLead) != std::string::npos;
}

int ImportedBeforeAnswer(const std::string& text, AlreadyImported choice)
{
    // "All N lines ..." offers OK (Yes) and Import again (No): nothing new
    // to import either way but for "all".
    const bool someNew = text.compare(0, 4, "All ") != 0;
    switch (choice) {
    case AlreadyImported::All:
        return IDNO;
    case AlreadyImported::None:
        return someNew ? IDCANCEL : IDYES;
    case AlreadyImported::New:
        break;
    }
    return IDYES;
}

ImportedBefore FindImportedBefore(const std::vector<AnsweredBox>& boxes)
{
    ImportedBefore found;
    for (const AnsweredBox& box : boxes) {
        if (!IsImportedBeforeQuestion(box.text))
            continue;
        // "K of the N lines ..." or "All N lines ...".
        const char* text = box.text.c_str();
        char* end = nullptr;
        if (box.text.compare(0, 4, "All ") == 0) {
            found.lines = found.before = std::strtol(text + 4, &end, 10);
        } else {
            found.before = std::strtol(text, &end, 10);
            if (end && std::string(end).compare(0, 8, " of the ") == 0)
                found.lines = std::strtol(end + 8, &end, 10);
        }
        found.asked = found.lines > 0;
    }
    return found;
}

bool MayAskAboutImportedBefore(const Options& options)
{
    if (!options.haveAccount || !qf::RememberImports())
        return false;
    const std::string sortCode = AccountDigits(options.sortCode, 6), account = AccountDigits(options.accountNumber, 8);
    std::string path, why;
    return !sortCode.empty() && !account.empty() && qf::ImportJournalPath(sortCode, account, false, path, why) &&
           GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int ForgetImports(const Options& options)
{
    if (!options.haveAccount)
        return UsageError("--forget needs --account SORTCODE:ACCOUNT");
    const std::string sortCode = AccountDigits(options.sortCode, 6), account = AccountDigits(options.accountNumber, 8);
    std::string path, why;
    if (sortCode.empty() || account.empty() || !qf::ImportJournalPath(sortCode, account, false, path, why))
        return Report(why.empty() ? "--forget: the account is not a sort code and an account number of digits" : why,
                      kExitInput);
    // Under the lock imports hold while they put the journal in place, so
    // that the files are not removed in the middle of that step.
    qf::platform::FileLock lock;
    const bool any = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ||
                     GetFileAttributesA((path + ".damaged").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (any && lock.Lock(path + ".lock", qf::SharedFile::kWaitMs, why) != qf::platform::FileLock::Result::Held)
        return Report("cannot forget the lines imported for the account: " + why, kExitNotDone);
    bool forgotten = false;
    for (const std::string& file : {path, path + ".damaged"}) {
        if (DeleteFileA(file.c_str())) {
            forgotten = true;
        } else if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
            return Report("cannot remove " + file + " (error " + std::to_string(GetLastError()) + ")", kExitNotDone);
        }
    }
    PrintText(stdout, "%s %s-%s-%s %s\n", forgotten ? "Forgot the lines imported for" : "No lines were remembered for",
                sortCode.substr(0, 2).c_str(), sortCode.substr(2, 2).c_str(), sortCode.substr(4).c_str(),
                account.c_str());
    return kExitDone;
}

} // namespace corvane
