// The host's in-process objects: payment batches, payments, bank records,
// accounts, statements and statement lines.
#pragma once
#include <string>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "host/corvanehost/host_base.h"
#include "host/corvanehost/line_pool.h"

namespace corvane {

class Payment final : public HostObject<ICorvanePayment, &IID_ICorvanePayment, 2> {
public:
    enum Text { PayerBACSReference, PayerSortCode, PayerAccountNumber, PayerAccountName, PayerRollNumber,
                PayeeBACSReference, PayeeSortCode, PayeeAccountNumber, PayeeAccountName, PayeeRollNumber,
                Reference, Details, Currency, Status, TextCount };

#define CORVANE_TEXT_PROPERTY(name)                                                           \
    STDMETHODIMP get_##name(BSTR* value) override { return GetText(L"get_" #name, name, value); } \
    STDMETHODIMP put_##name(BSTR value) override { return PutText(L"put_" #name, name, value); }
    CORVANE_TEXT_PROPERTY(PayerBACSReference)
    CORVANE_TEXT_PROPERTY(PayerSortCode)
    CORVANE_TEXT_PROPERTY(PayerAccountNumber)
    CORVANE_TEXT_PROPERTY(PayerAccountName)
    CORVANE_TEXT_PROPERTY(PayerRollNumber)
    CORVANE_TEXT_PROPERTY(PayeeBACSReference)
    CORVANE_TEXT_PROPERTY(PayeeSortCode)
    CORVANE_TEXT_PROPERTY(PayeeAccountNumber)
    CORVANE_TEXT_PROPERTY(PayeeAccountName)
    CORVANE_TEXT_PROPERTY(PayeeRollNumber)
    CORVANE_TEXT_PROPERTY(Reference)
    CORVANE_TEXT_PROPERTY(Details)
    CORVANE_TEXT_PROPERTY(Currency)
    CORVANE_TEXT_PROPERTY(Status)
#undef CORVANE_TEXT_PROPERTY

    STDMETHODIMP get_Amount(double* value) override;
    STDMETHODIMP put_Amount(double value) override;
    STDMETHODIMP get_StatusCode(long* value) override;
    STDMETHODIMP put_StatusCode(long value) override;

private:
    HRESULT GetText(const wchar_t* member, int index, BSTR* value);
    HRESULT PutText(const wchar_t* member, int index, BSTR value);

    double m_amount = 0;
    long m_statusCode = 0;
    std::wstring m_text[TextCount];
};

class Payments final : public HostObject<ICorvanePayments, &IID_ICorvanePayments, 2> {
public:
    ~Payments() override;
    STDMETHODIMP Item(long index, ICorvanePayment** payment) override;
    STDMETHODIMP get_Count(long* count) override;
    Payment* Add();

private:
    std::vector<Payment*> m_items;
};

class BankAccount final : public HostObject<ICorvaneBankAccount, &IID_ICorvaneBankAccount, 1> {
public:
    BankAccount(BSTR sortCode, BSTR accountNumber);
    ~BankAccount() override;
    STDMETHODIMP get_SortCode(BSTR* value) override;
    STDMETHODIMP put_SortCode(BSTR value) override;
    STDMETHODIMP get_AccountName(BSTR* value) override;
    STDMETHODIMP put_AccountName(BSTR value) override;
    STDMETHODIMP get_AccountNumber(BSTR* value) override;
    STDMETHODIMP put_AccountNumber(BSTR value) override;

private:
    // Held as BSTRs so that a null text can be handed out as null.
    BSTR m_sortCode = nullptr;
    BSTR m_accountName = nullptr;
    BSTR m_accountNumber = nullptr;
};

class BankRecord final : public HostObject<ICorvaneBankRecord, &IID_ICorvaneBankRecord, 1> {
public:
    explicit BankRecord(BankAccount* account);
    ~BankRecord() override;
    STDMETHODIMP get_Account(ICorvaneBankAccount** account) override;
    STDMETHODIMP get_BankName(BSTR* name) override;

private:
    BankAccount* m_account;
};

// A statement has as many lines as the file: they and their texts live in
// the line pool, not on the heap one by one.
class StatementLine final : public HostObject<ICorvaneStatementLine, &IID_ICorvaneStatementLine, 3> {
public:
    explicit StatementLine(long index);
    ~StatementLine() override;
    static void* operator new(std::size_t size) { return line_pool::Allocate(size); }
    static void operator delete(void* p) noexcept { line_pool::Free(p); }
    STDMETHODIMP get_Index(long* value) override;
    STDMETHODIMP get_LineNumber(VARIANT* value) override;
    STDMETHODIMP put_LineNumber(VARIANT* value) override;
    STDMETHODIMP get_Date(DATE* value) override;
    STDMETHODIMP put_Date(DATE value) override;
    STDMETHODIMP get_TransactionType(long* value) override;
    STDMETHODIMP put_TransactionType(long value) override;
    STDMETHODIMP get_ValueDate(DATE* value) override;
    STDMETHODIMP put_ValueDate(DATE value) override;
    STDMETHODIMP get_Reconciled(long* value) override;
    STDMETHODIMP put_Reconciled(long value) override;
    STDMETHODIMP get_MatchedEntry(long* value) override;
    STDMETHODIMP put_MatchedEntry(long value) override;
    STDMETHODIMP get_Flags(long* value) override;
    STDMETHODIMP put_Flags(long value) override;
    STDMETHODIMP get_ExchangeRate(double* value) override;
    STDMETHODIMP put_ExchangeRate(double value) override;
    STDMETHODIMP get_Amount(double* value) override;
    STDMETHODIMP put_Amount(double value) override;

    enum Text { Reference, ChequeNumber, Payee, Category, Memo, BankReference, Notes, Description, Currency, TextCount };
#define CORVANE_TEXT_PROPERTY(name)                                                           \
    STDMETHODIMP get_##name(BSTR* value) override { return GetText(L"get_" #name, name, value); } \
    STDMETHODIMP put_##name(BSTR value) override { return PutText(L"put_" #name, name, value); }
    CORVANE_TEXT_PROPERTY(Reference)
    CORVANE_TEXT_PROPERTY(ChequeNumber)
    CORVANE_TEXT_PROPERTY(Payee)
    CORVANE_TEXT_PROPERTY(Category)
    CORVANE_TEXT_PROPERTY(Memo)
    CORVANE_TEXT_PROPERTY(BankReference)
    CORVANE_TEXT_PROPERTY(Notes)
    CORVANE_TEXT_PROPERTY(Description)
    CORVANE_TEXT_PROPERTY(Currency)
#undef CORVANE_TEXT_PROPERTY

private:
    HRESULT GetText(const wchar_t* member, int index, BSTR* value);
    HRESULT PutText(const wchar_t* member, int index, BSTR value);

    long m_index;
    VARIANT m_lineNumber;
    DATE m_date = 0, m_valueDate = 0;
    long m_transactionType = -1, m_reconciled = 0, m_matched = 0, m_flags = 0;
    double m_exchangeRate = 1.0, m_amount = 0;
    LineText m_text[TextCount];
};

class BankStatement final : public HostObject<ICorvaneBankStatement, &IID_ICorvaneBankStatement, 3> {
public:
    ~BankStatement() override;
    STDMETHODIMP get_Count(long* count) override;
    STDMETHODIMP Item(long index, ICorvaneStatementLine** line) override;
    STDMETHODIMP AddLine(ICorvaneStatementLine** line) override;
    STDMETHODIMP Clear() override;
    STDMETHODIMP get_StatementDate(DATE* value) override;
    STDMETHODIMP get_Balance(double* value) override;
    STDMETHODIMP put_Balance(double value) override;

private:
    void ReleaseLines();
    std::vector<StatementLine*> m_lines;
    double m_balance = -1;
};

} // namespace corvane
