// The component's two services.
#pragma once
#include "objects/service_base.h"
#include "text/cstring.h"

namespace qf {

class CBankPaymentService final : public ObjectRoot,
                                  public IBankServiceImpl<IBankPaymentService, &IID_IBankPaymentService>,
                                  public ISupportErrorInfo {
public:
    CBankPaymentService();
    QF_IUNKNOWN
    void* QueryOwn(REFIID iid) noexcept override;

    // ICorvaneBankPaymentService
    STDMETHODIMP GetStatusText(long code, BSTR* message) override;
    STDMETHODIMP ProcessPayments(ICorvanePayments* payments, ICorvaneBankRecord* bank) override;
    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
};

class CBankStatementService final : public ObjectRoot,
                                    public IBankServiceImpl<IBankStatementService, &IID_IBankStatementService>,
                                    public ISupportErrorInfo {
public:
    CBankStatementService();
    QF_IUNKNOWN
    void* QueryOwn(REFIID iid) noexcept override;

    // ICorvaneBankStatementService
    STDMETHODIMP GetStatusText(long code, BSTR* message) override;
    STDMETHODIMP ImportStatement(ICorvaneBankRecord* bank, ICorvaneBankStatement* statement) override;
    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

    // The account of the last import, kept between runs.
    CString SortCode;
    CString AccountNumber;
};

} // namespace qf
