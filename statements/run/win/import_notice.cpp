#include "statements/run/win/import_notice.h"

#include <windows.h>

#include "platform/win/win32_services.h"
#include "resources/resource.h"
#include "statements/run/win/renamed_buttons.h"
#include "text/cstring.h"

namespace qf {
namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadResourceText(platform::ResourceModule(), id);
    return text;
}

CString AccountLine(const StatementAccount& account)
{
    const CString none = LoadText(IDS_STATEMENT_NONE);
    CString line;
    line.Format(LoadText(IDS_STATEMENT_ACCOUNT), account.sortCode.empty() ? none.c_str() : account.sortCode.c_str(),
                account.accountNumber.empty() ? none.c_str() : account.accountNumber.c_str());
    return line;
}

// What the user is told when the import left something out.
CString NoticeText(const StatementImportReport& report)
{
    CString text;
    const char* path = report.path.c_str();
    if (report.outcome == StatementImportReport::Outcome::NotOpened) {
        text.Format(LoadText(IDS_STATEMENT_NOT_OPENED), path);
        return text;
    }
    if (report.outcome == StatementImportReport::Outcome::NotAStatement) {
        text.Format(LoadText(IDS_STATEMENT_NOT_BANKLINE), path, report.headerFieldCount);
        return text;
    }
    text.Format(LoadText(IDS_STATEMENT_IMPORTED), report.imported);
    if (report.passedOver > 0) {
        CString part;
        part.Format(LoadText(IDS_STATEMENT_PASSED_OVER), report.passedOver);
        text += "\n";
        text += part;
    }
    if (!report.skipped.empty()) {
        CString part;
        part.Format(LoadText(IDS_STATEMENT_SKIPPED), static_cast<long>(report.skipped.size()));
        text += "\n\n";
        text += part;
        const std::size_t shown = report.skipped.size() < 10 ? report.skipped.size() : 10;
        if (shown < report.skipped.size()) {
            text += "\n";
            text += LoadText(IDS_STATEMENT_FIRST_SKIPPED);
        }
        for (std::size_t i = 0; i < shown; ++i) {
            const SkippedLine& skipped = report.skipped[i];
            part.Format(LoadText(IDS_STATEMENT_SKIPPED_LINE), skipped.line,
                        LoadText(IDS_SKIP_REASON_BASE + static_cast<UINT>(skipped.reason)).c_str());
            text += "\n";
            text += part;
        }
    }
    if (report.imported == 0 && report.passedOver == 0) {
        text += "\n\n";
        text += LoadText(IDS_STATEMENT_NO_MATCH);
        text += "\n";
        text += AccountLine(report.hostAccount);
        text += "\n\n";
        if (report.accounts.empty()) {
            text += LoadText(IDS_STATEMENT_NO_ACCOUNTS);
        } else {
            text += LoadText(IDS_STATEMENT_ACCOUNTS);
            for (const StatementAccount& account : report.accounts) {
                text += "\n";
                text += AccountLine(account);
            }
            if (report.moreAccounts) {
                text += "\n";
                text += LoadText(IDS_STATEMENT_MORE_ACCOUNTS);
            }
        }
    }
    if (report.journal == StatementImportReport::Journal::Unreadable) {
        text += "\n\n";
        text += LoadText(IDS_STATEMENT_JOURNAL_UNREAD);
    }
    if (report.journalUnwritten) {
        text += report.journal == StatementImportReport::Journal::Unreadable ? "\n" : "\n\n";
        text += LoadText(IDS_STATEMENT_JOURNAL_UNWRITTEN);
    }
    return text;
}

} // namespace

void Notify(const StatementImportReport& report)
{
    if (!report.NeedsNotice())
        return;
    const CString text = NoticeText(report);
    platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION), MB_ICONWARNING | MB_OK);
}

Repeat AskAboutRepeats(const StatementImportReport& report)
{
    const long before = report.importedBefore, all = report.accountLines;
    const char* when = report.latestImport.c_str();
    CString text;
    int answer;
    if (before < all) {
        text.Format(LoadText(IDS_STATEMENT_SOME_BEFORE), before, all, when, all - before, all);
        answer = platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION),
                                          MB_ICONQUESTION | MB_YESNOCANCEL);
    } else {
        text.Format(LoadText(IDS_STATEMENT_ALL_BEFORE), all, when, all);
        // A box whose only ways out read "OK" and "Import again".
        RenamedButtons buttons(LoadText(IDS_STATEMENT_BUTTON_OK), LoadText(IDS_STATEMENT_BUTTON_AGAIN));
        answer = platform::ShowMessageBox(GetActiveWindow(), text, LoadText(IDS_STATEMENT_CAPTION),
                                          MB_ICONINFORMATION | MB_YESNO);
        // "OK" imports the new lines, which are none.
        return answer == IDNO ? Repeat::All : Repeat::NewOnly;
    }
    if (answer == IDNO)
        return Repeat::All;
    if (answer == IDCANCEL)
        return Repeat::Cancel;
    return Repeat::NewOnly;
}

} // namespace qf
