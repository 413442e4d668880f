#include "statements/statement_run.h"

#include <cctype>
#include <cstring>
#include <new>

#include "objects/host_objects.h"
#include "statements/rbs_transaction_file.h"
#include "statements/statement_run_log.h"
#include "text/error_guard.h"

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

// A BSTR from narrow text; a failed allocation ends the run as an
// unexpected failure.
Bstr MakeBstr(const CString& text)
{
    Bstr b = Bstr::Attach(text.AllocSysString());
    if (!b.Get()) {
        // The caller gets E_UNEXPECTED alone: no description of an earlier,
        // ignored host failure may be read as the reason.
        SetErrorInfo(0, nullptr);
        throw std::bad_alloc();
    }
    return b;
}

bool ChooseStatementFile(CString& path)
{
    ComPtr<ICorvaneStatementFileSelector> selector = CreateHostComponent<ICorvaneStatementFileSelector>(
        CLSID_StatementFileSelector, IID_ICorvaneStatementFileSelector);
    ComPtr<ICorvaneBankConfiguration> config =
        CreateHostComponent<ICorvaneBankConfiguration>(CLSID_BankConfiguration, IID_ICorvaneBankConfiguration);

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

bool AccountMatches(const CBankStatementService& service, const CTransactionRecord& record)
{
    return record.SortCode() == service.SortCode && record.AccountNumber() == service.AccountNumber;
}

// Adds one record to the statement as its next line. E_POINTER when the
// host hands out no line object.
HRESULT ImportRecord(ICorvaneBankStatement* statement, CTransactionRecord& record, long lineNumber)
{
    static const Bstr kCheque(L"CHQ");
    ComPtr<ICorvaneStatementLine> line;
    statement->AddLine(line.Put());
    if (!line) {
        // E_POINTER is ours, not the host's: whatever error information the
        // host left for its call does not describe it.
        SetErrorInfo(0, nullptr);
        return E_POINTER;
    }

    Variant number;
    V_VT(number.Get()) = VT_I4;
    V_I4(number.Get()) = lineNumber;
    line->put_LineNumber(number.Get());
    line->put_Date(record.Date());
    double amount;
    if (record.IsDebit() != 0) {
        line->put_TransactionType(0);
        amount = record.Debit();
    } else {
        line->put_TransactionType(1);
        amount = record.Credit();
    }
    line->put_Amount(amount);
    const CString narrative = record.GetNarrative();
    Bstr description = MakeBstr(narrative);
    line->put_Description(description.Get());

    Bstr type = MakeBstr(record.Type());
    if (VarBstrCmp(type.Get(), kCheque.Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ) {
        Bstr reference = MakeBstr(record.Narrative1());
        line->put_Reference(reference.Get());
        Bstr cheque = MakeBstr(CString("CHQ ") + narrative);
        line->put_Description(cheque.Get());
    } else {
        line->put_Reference(type.Get());
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
        if (fields != 18 && fields != 14)
            return 0;
        std::memcpy(description, kStatementDescription, sizeof kStatementDescription);
        return 1;
    } catch (...) {
        return 0;
    }
}

HRESULT RunStatementImport(CBankStatementService& service, ICorvaneBankRecord* bank, ICorvaneBankStatement* statement)
{
    StatementRunLog log(service);
    service.SetStatus(0);
    // Nothing can be imported into no statement: refuse before asking the user.
    CheckArg(statement != nullptr);

    CString path;
    if (!ChooseStatementFile(path)) {
        service.SetStatus(1);
        return S_OK;
    }
    log.File(path);
    statement->Clear();
    statement->put_Balance(0.0);

    // The account being reconciled; without one the last run's is used.
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

    CRBSTransactionFile file(path, std::ios_base::in | std::ios_base::binary);
    const bool prepared = file.PrepareColumns();
    log.Header(file.HeaderFieldCount(), prepared);
    if (!prepared)
        return S_OK;
    CTransactionRecord record;
    long lineNumber = 0;
    for (;;) {
        const bool ok = file.ReadRecord(record);
        if (ok)
            log.Read(AccountMatches(service, record));
        if (!AccountMatches(service, record)) {
            if (ok)
                continue;
            break;
        }
        if (!ok)
            break;
        const HRESULT hr = ImportRecord(statement, record, ++lineNumber);
        if (FAILED(hr)) {
            log.Failed(hr);
            return hr;
        }
    }
    return S_OK;
}

} // namespace qf
