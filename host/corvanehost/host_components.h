// The host's creatable components.
#pragma once
#include <string>

#include "CorvaneEBanking.h"
#include "CorvaneHostTest.h"
#include "CorvaneBankReconciliation.h"
#include "host/corvanehost/host_base.h"

namespace corvane {

class BankConfiguration final : public HostObject<ICorvaneBankConfiguration, &IID_ICorvaneBankConfiguration, kEBankingLibrary> {
public:
    STDMETHODIMP ConfigureBank(LPSTR bankName, long options) override;
    STDMETHODIMP GetStatementFileSettings(LPSTR bankName, BYTE* settings) override;
    STDMETHODIMP GetPaymentFileSettings(LPSTR bankName, LPSTR fileName, LPSTR extension, LPSTR directory) override;
};

class StatementFileSelector final
    : public HostObject<ICorvaneStatementFileSelector, &IID_ICorvaneStatementFileSelector, kReconciliationLibrary> {
public:
    STDMETHODIMP SelectFile(BYTE* settings) override;
    STDMETHODIMP get_InitialDirectory(BSTR* value) override;
    STDMETHODIMP put_InitialDirectory(BSTR value) override;
    STDMETHODIMP get_FileName(BSTR* value) override;
    STDMETHODIMP get_Cancelled(long* value) override;

private:
    std::wstring m_initialDirectory, m_fileName;
    long m_cancelled = 1;
};

// Not a host object of the framework: it is not counted among the live objects.
class HostControl final : public qf::DispatchObject<ICorvaneHostControl, &IID_ICorvaneHostControl, kHostTestLibrary> {
public:
    STDMETHODIMP Reset() override;
    STDMETHODIMP NewPayments(ICorvanePayments** batch) override;
    STDMETHODIMP AddPayment(ICorvanePayments* batch, ICorvanePayment** payment) override;
    STDMETHODIMP NewBankRecord(BSTR sortCode, BSTR accountNumber, ICorvaneBankRecord** record) override;
    STDMETHODIMP NewStatement(ICorvaneBankStatement** statement) override;
    STDMETHODIMP SetPaymentFileSettings(BSTR fileName, BSTR extension, BSTR directory) override;
    STDMETHODIMP SetStatementChoice(BSTR path, long cancelled) override;
    STDMETHODIMP get_SelectorDescription(BSTR* text) override;
    STDMETHODIMP get_SelectorCallbackResult(long* result) override;
    STDMETHODIMP RefuseCreation(BSTR className, VARIANT_BOOL refuse) override;
    STDMETHODIMP FailCall(BSTR member, long afterCalls, long hr) override;
    STDMETHODIMP get_LiveObjects(long* count) override;
    STDMETHODIMP get_CallLog(BSTR* log) override;
    STDMETHODIMP put_Logging(VARIANT_BOOL on) override;
    STDMETHODIMP get_LastConfigureBank(BSTR* text) override;
    STDMETHODIMP CallCount(BSTR member, long* count) override;
    STDMETHODIMP FailOnce(BSTR member, long occurrence, long hr) override;
};

} // namespace corvane
