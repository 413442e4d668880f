#include "statements/run/win/statement_run.h"

#include <cctype>
#include <cstring>

#include "com/error_guard.h"
#include "com/host_components.h"
#include "statements/journal/win/statement_journal.h"
#include "statements/reader/statement_reader.h"
#include "statements/run/account_lines.h"
#include "statements/run/win/import_notice.h"
#include "statements/run/win/statement_run_log.h"
#include "statements/run/win/statement_writer.h"

namespace qf {
namespace {

const char kStatementDescription[] = "NatWest/RBS Bankline Statement";

// Narrow text of a host account value, up to its first zero like any host
// text. A text of 32 bytes or more cannot be a statement's sort code (6) or
// account number (8): it is kept whole, digits and all, so that it never
// matches.
CString AccountText(BSTR text, bool digitsOnly)
{
    CString narrow(text);
    if (narrow.GetLength() >= 32 || !digitsOnly)
        return narrow;
    CString digits;
    for (const char* c = narrow; *c; ++c)
        if (std::isdigit(static_cast<unsigned char>(*c)))
            digits.Append(c, 1);
    return digits;
}

bool ChooseStatementFile(CString& path)
{
    const ComPtr<ICorvaneStatementFileSelector> selector =
        CreateHostComponent<ICorvaneStatementFileSelector>(CLSID_StatementFileSelector);
    const ComPtr<ICorvaneBankConfiguration> config = CreateHostComponent<ICorvaneBankConfiguration>(CLSID_BankConfiguration);

    char bankName[100];
    FillBankName(bankName);
    path = "";
    // The host's settings block; its first member is our callback.
    alignas(void*) BYTE settings[CORVANE_STATEMENT_FILE_SETTINGS_SIZE] = {};

    if (!config)
        RaiseHostError(E_POINTER);
    CheckHost(config->GetStatementFileSettings(bankName, settings));
    const CORVANE_VALIDATE_STATEMENT_FILE callback = &ValidateStatementFile;
    std::memcpy(settings, &callback, sizeof callback);

    if (!selector)
        RaiseHostError(E_POINTER);
    CheckHost(selector->SelectFile(settings));

    long cancelled = 1;
    selector->get_Cancelled(&cancelled);
    Bstr fileName;
    selector->get_FileName(fileName.Put());
    if (cancelled != 0)
        return false;
    path = CString(fileName.Get());
    return true;
}

// The account being reconciled, into the service; without one the last
// run's stays.
void TakeHostAccount(const StatementServiceState& service, ICorvaneBankRecord* bank)
{
    ComPtr<ICorvaneBankAccount> account;
    if (bank && SUCCEEDED(bank->get_Account(account.Put())) && account) {
        Bstr number, sortCode;
        account->get_AccountNumber(number.Put());
        if (number.Get())
            service.AccountNumber = AccountText(number.Get(), false);
        account->get_SortCode(sortCode.Put());
        if (sortCode.Get())
            service.SortCode = AccountText(sortCode.Get(), true);
    }
}

// Adds the waiting lines to the cleared statement, with newOnly only those
// the journal did not know. A line the host takes no more ends the run with
// its HRESULT.
HRESULT AddPendingLines(ICorvaneBankStatement* statement, const PendingLines& pending, const StatementJournal& journal,
                        bool newOnly, StatementImportReport& report)
{
    StatementWriter writer(statement, report.utf8);
    for (std::size_t i = 0; i < pending.Size(); ++i) {
        if (newOnly && journal.Known(i)) {
            ++report.passedOver;
            continue;
        }
        const HRESULT hr = writer.Add(pending[i], ++report.imported);
        if (FAILED(hr)) {
            --report.imported; // that line never reached the statement: the new journal is dropped
            return hr;
        }
    }
    return S_OK;
}

} // namespace

extern "C" int __cdecl ValidateStatementFile(char* description, const char* path)
{
    // Called by the host: nothing may escape.
    try {
        if (!description || !path)
            return 0;
        CRBSTransactionFile file(path, std::ios_base::in);
        const std::int32_t fields = file.HeaderFieldCount();
        if (!CRBSTransactionFile::IsStatementHeader(fields))
            return 0;
        std::memcpy(description, kStatementDescription, sizeof kStatementDescription);
        return 1;
    } catch (...) {
        return 0;
    }
}

HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement)
{
    StatementImportReport report;
    // Written from the report when the run ends, also when it raises.
    StatementRunLog log(service, report);
    const HRESULT hr = RunStatementImport(service, bank, statement, report);
    log.Result(hr);
    return hr;
}

HRESULT RunStatementImport(const StatementServiceState& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement,
                           StatementImportReport& report)
{
    report = StatementImportReport();
    service.SetStatus(StatementStatus::Done);
    // Nothing can be imported into no statement: refuse before asking the user.
    CheckArg(statement != nullptr);

    CString path;
    if (!ChooseStatementFile(path)) {
        service.SetStatus(StatementStatus::NoFileChosen);
        return S_OK;
    }
    report.path = path.c_str();

    TakeHostAccount(service, bank);
    report.hostAccount = HostAccountKey(service.SortCode, service.AccountNumber);

    // The host's answers to these, as to the lines' properties (see
    // StatementWriter), are ignored on purpose: a property the host refuses
    // leaves that field empty, and the import goes on with the rest.
    auto clearStatement = [statement] {
        statement->Clear();
        statement->put_Balance(0.0);
    };

    CRBSTransactionFile file(path, std::ios_base::in | std::ios_base::binary);
    report.headerFieldCount = file.HeaderFieldCount();
    report.utf8 = file.IsUtf8();
    if (!file.IsOpen()) {
        clearStatement();
        report.outcome = StatementImportReport::Outcome::NotOpened;
        Notify(report);
        return S_OK;
    }
    if (!file.PrepareColumns()) {
        clearStatement();
        report.outcome = StatementImportReport::Outcome::NotAStatement;
        Notify(report);
        return S_OK;
    }
    report.outcome = StatementImportReport::Outcome::Read;
    file.ReadAccountDetails(false);

    // Every line is read: a blank or unreadable one is passed over, and
    // the user hears about the unreadable ones at the end. The account's
    // lines wait until the user has said what to do with those imported
    // before.
    PendingLines pending;
    // After the lines it checks, so that its thread has ended before they go.
    StatementJournal journal(report);
    // Each full block of lines goes to the journal while the rest is read.
    ReadAccountLines(file, report, pending,
                     [&journal](const StatementLine* lines, std::size_t count) { journal.Check(lines, count); });
    file.Close();
    const std::size_t rest = pending.Size() % PendingLines::kPerBlock;
    journal.Check(rest ? &pending[pending.Size() - rest] : nullptr, rest);
    journal.EndChecks();
    report.accountLines = static_cast<long>(pending.Size());

    Repeat repeat = Repeat::All;
    if (report.importedBefore > 0) {
        repeat = AskAboutRepeats(report);
        if (repeat == Repeat::Cancel) {
            report.declined = true;
            service.SetStatus(StatementStatus::NoFileChosen);
            return S_OK;
        }
    }

    clearStatement();
    journal.BeginSave(repeat == Repeat::NewOnly);
    const HRESULT hr = AddPendingLines(statement, pending, journal, repeat == Repeat::NewOnly, report);
    if (FAILED(hr))
        return hr;
    journal.Save();
    Notify(report);
    return S_OK;
}

} // namespace qf
