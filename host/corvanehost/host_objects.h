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

class Payment final : public HostObject<ICorvanePayment, &IID_ICorvanePayment, kPaymentsLibrary> {
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
    HRESULT GetText(const wchar_t* member, int index, BSTR* value) noexcept;
    HRESULT PutText(const wchar_t* member, int index, BSTR value) noexcept;

    double m_amount = 0;
    long m_statusCode = 0;
    std::wstring m_text[TextCount];
};

class Payments final : public HostObject<ICorvanePayments, &IID_ICorvanePayments, kPaymentsLibrary> {
public:
    STDMETHODIMP Item(long index, ICorvanePayment** payment) override;
    STDMETHODIMP get_Count(long* count) override;
    // A new payment at the end of the batch. Throws std::bad_alloc.
    const ComPtr<Payment>& Add();

private:
    std::vector<ComPtr<Payment>> m_items;
};

class BankAccount final : public HostObject<ICorvaneBankAccount, &IID_ICorvaneBankAccount, kEBankingLibrary> {
public:
    BankAccount(BSTR sortCode, BSTR accountNumber);
    STDMETHODIMP get_SortCode(BSTR* value) override;
    STDMETHODIMP put_SortCode(BSTR value) override;
    STDMETHODIMP get_AccountName(BSTR* value) override;
    STDMETHODIMP put_AccountName(BSTR value) override;
    STDMETHODIMP get_AccountNumber(BSTR* value) override;
    STDMETHODIMP put_AccountNumber(BSTR value) override;

private:
    // Held as BSTRs so that a null text can be handed out as null.
    Bstr m_sortCode;
    Bstr m_accountName;
    Bstr m_accountNumber;
};

class BankRecord final : public HostObject<ICorvaneBankRecord, &IID_ICorvaneBankRecord, kEBankingLibrary> {
public:
    explicit BankRecord(ComPtr<BankAccount> account);
    STDMETHODIMP get_Account(ICorvaneBankAccount** account) override;
    STDMETHODIMP get_BankName(BSTR* name) override;

private:
    ComPtr<BankAccount> m_account;
};

// A statement has as many lines as the file: they and their texts live in
// the line pool, not on the heap one by one.
class StatementLine final : public HostObject<ICorvaneStatementLine, &IID_ICorvaneStatementLine, kReconciliationLibrary> {
public:
    explicit StatementLine(long index);
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
    HRESULT GetText(const wchar_t* member, int index, BSTR* value) noexcept;
    HRESULT PutText(const wchar_t* member, int index, BSTR value) noexcept;

    long m_index;
    qf::Variant m_lineNumber;
    DATE m_date = 0, m_valueDate = 0;
    long m_transactionType = -1, m_reconciled = 0, m_matched = 0, m_flags = 0;
    double m_exchangeRate = 1.0, m_amount = 0;
    LineText m_text[TextCount];
};

class BankStatement final : public HostObject<ICorvaneBankStatement, &IID_ICorvaneBankStatement, kReconciliationLibrary> {
public:
    STDMETHODIMP get_Count(long* count) override;
    STDMETHODIMP Item(long index, ICorvaneStatementLine** line) override;
    STDMETHODIMP AddLine(ICorvaneStatementLine** line) override;
    STDMETHODIMP Clear() override;
    STDMETHODIMP get_StatementDate(DATE* value) override;
    STDMETHODIMP get_Balance(double* value) override;
    STDMETHODIMP put_Balance(double value) override;

private:
    std::vector<ComPtr<StatementLine>> m_lines;
    double m_balance = -1;
};

} // namespace corvane
