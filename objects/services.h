// The component's two services.
#pragma once
#include "objects/service_base.h"
#include "text/cstring.h"

namespace qf {

class CBankPaymentService final
    : public ComClass<CBankPaymentService, IBankPaymentService, &IID_IBankPaymentService, &IID_ICorvaneBankPaymentService>,
      public IBankServiceImpl<IBankPaymentService, &IID_IBankPaymentService> {
public:
    CBankPaymentService();
    QF_IUNKNOWN

    // ICorvaneBankPaymentService
    STDMETHODIMP GetStatusText(long code, BSTR* message) override;
    STDMETHODIMP ProcessPayments(ICorvanePayments* payments, ICorvaneBankRecord* bank) override;
};

class CBankStatementService final : public ComClass<CBankStatementService, IBankStatementService,
                                                    &IID_IBankStatementService, &IID_ICorvaneBankStatementService>,
                                    public IBankServiceImpl<IBankStatementService, &IID_IBankStatementService> {
public:
    CBankStatementService();
    QF_IUNKNOWN

    // ICorvaneBankStatementService
    STDMETHODIMP GetStatusText(long code, BSTR* message) override;
    STDMETHODIMP ImportStatement(ICorvaneBankRecord* bank, ICorvaneBankStatement* statement) override;

    // The account of the last import, kept between runs.
    CString SortCode;
    CString AccountNumber;
};

} // namespace qf
