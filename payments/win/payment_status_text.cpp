#include "payments/win/payment_status_text.h"

#include "payments/payment_checks.h"
#include "platform/win/win32_services.h"
#include "resources/resource.h"
#include "text/cstring.h"
#include "com/error_guard.h"

namespace qf {

HRESULT LoadPaymentStatusText(long code, BSTR* message)
{
    CheckArg(message != nullptr);
    // Taken as unsigned, a negative code is out of range as well.
    if (static_cast<unsigned long>(code) > static_cast<unsigned long>(kLastPaymentStatus))
        return S_OK;
    CString text;
    if (!text.LoadResourceText(platform::ResourceModule(), IDS_STATUS_BASE + static_cast<UINT>(code)))
        return S_OK;
    BSTR result = text.AllocSysString();
    if (!result)
        ThrowHr(kE_OUTOFMEMORY);
    *message = result;
    return S_OK;
}

} // namespace qf
