// The payment run of the payment service: from the host's batch to a
// Bankline payment file.
#pragma once
#include <string>

#include "com/host_interfaces.h"
#include "text/cstring.h"

namespace qf {

// What a run needs of the payment service: the Status it leaves for the host.
struct PaymentServiceState {
    long& status;
    void SetStatus(long value) const noexcept { status = value; }
};

// Runs the whole export: configuration, options dialog, save dialog,
// settings, the file and each payment's status code. Leaves the outcome in
// the service's Status and returns S_OK, S_FALSE (a payment failed its
// checks) or 40 (too many payments). Failures of the host are raised as
// HostError, bad arguments as hr_t, for the caller's error guard.
HRESULT RunPayments(const PaymentServiceState& service, ICorvanePayments* payments, ICorvaneBankRecord* bank);

namespace detail {
// Where Windows puts a file that a process without administrator rights
// cannot create at path: the local application data folder's VirtualStore.
// Empty when path does not start with a drive letter and a colon.
CString RedirectedPath(const char* path);
// The save dialog's filter: description and pattern pairs, each ended by a
// zero byte, the list by a second one.
std::string SaveFilter(const char* extension);
} // namespace detail

} // namespace qf
