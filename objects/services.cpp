#include "objects/services.h"

#include "payments/payment_run.h"
#include "payments/payment_status_text.h"
#include "statements/statement_run.h"

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

void* CBankPaymentService::QueryOwn(REFIID iid) noexcept
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IBankPaymentService) ||
        IsEqualIID(iid, IID_ICorvaneBankPaymentService))
        return static_cast<IBankPaymentService*>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo))
        return static_cast<ISupportErrorInfo*>(this);
    return nullptr;
}

STDMETHODIMP CBankPaymentService::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, IID_IBankPaymentService) ? S_OK : S_FALSE;
}

STDMETHODIMP CBankPaymentService::GetStatusText(long code, BSTR* message)
{
    return Guard([&] { return LoadPaymentStatusText(code, message); });
}

STDMETHODIMP CBankPaymentService::ProcessPayments(ICorvanePayments* payments, ICorvaneBankRecord* bank)
{
    return Guard([&] { return RunPayments(*this, payments, bank); });
}

CBankStatementService::CBankStatementService() : IBankServiceImpl(L"Bank Reconciliation Service") {}

void* CBankStatementService::QueryOwn(REFIID iid) noexcept
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IBankStatementService) ||
        IsEqualIID(iid, IID_ICorvaneBankStatementService))
        return static_cast<IBankStatementService*>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo))
        return static_cast<ISupportErrorInfo*>(this);
    return nullptr;
}

STDMETHODIMP CBankStatementService::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, IID_IBankStatementService) ? S_OK : S_FALSE;
}

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
    return Guard([&] { return RunStatementImport(*this, bank, statement); });
}

} // namespace qf
