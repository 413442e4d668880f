#include "objects/services.h"

#include "payments/win/payment_run.h"
#include "payments/win/payment_status_text.h"
#include "statements/run/win/statement_run.h"

namespace qf {

BSTR CopyBstr(BSTR source)
{
    if (!source)
        return nullptr;
    BSTR copy = SysAllocStringByteLen(reinterpret_cast<const char*>(source), SysStringByteLen(source));
    if (!copy)
        ThrowHr(kE_OUTOFMEMORY);
    return copy;
}

CBankPaymentService::CBankPaymentService() : IBankServiceImpl(L"Bank Payment Service") {}

STDMETHODIMP CBankPaymentService::GetStatusText(long code, BSTR* message)
{
    return Guard([&] { return LoadPaymentStatusText(code, message); });
}

STDMETHODIMP CBankPaymentService::ProcessPayments(ICorvanePayments* payments, ICorvaneBankRecord* bank)
{
    return GuardHostCalls([&] { return RunPayments(PaymentServiceState{StatusRef()}, payments, bank); });
}

CBankStatementService::CBankStatementService() : IBankServiceImpl(L"Bank Reconciliation Service") {}

// The statement service has no status messages of its own.
STDMETHODIMP CBankStatementService::GetStatusText(long, BSTR* message)
{
    return Guard([&] {
        CheckArg(message != nullptr);
        return S_OK;
    });
}

STDMETHODIMP CBankStatementService::ImportStatement(ICorvaneBankRecord* bank, ICorvaneBankStatement* statement)
{
    return GuardHostCalls([&] { return RunStatementImport(StatementServiceState{StatusRef(), SortCode, AccountNumber}, bank, statement); });
}

} // namespace qf
