// The text of a payment status code, as the payment service hands it to
// the host.
#pragma once
#include <windows.h>
#include <oleauto.h>

namespace qf {

// For a code 0..35 that has a text (string resource 300 + code), stores a
// new BSTR the caller owns in *message. Any other code leaves *message as it
// is: the host keeps whatever it had. Returns S_OK either way. Throws
// E_INVALIDARG for a null message and E_OUTOFMEMORY when no BSTR can be
// made, so the caller runs it under the error guard.
HRESULT LoadPaymentStatusText(long code, BSTR* message);

} // namespace qf
