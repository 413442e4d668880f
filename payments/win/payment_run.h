// The payment run of the payment service: from the host's batch to a
// Bankline payment file.
#pragma once
#include <cstdio>
#include <string>

#include "com/host_interfaces.h"
#include "payments/win/payment_service_state.h"
#include "text/cstring.h"
#include "text/file_holder.h"

namespace qf {

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

// Whether the stream's handle is a file on a disk (not a device or a pipe).
bool IsDiskFile(std::FILE* f) noexcept;

// The payment file while the run writes it. Whatever the run does not store
// completely is removed again, also when the run is left by an exception, so
// that nobody uploads a truncated batch. Only the path that was opened is
// removed, and only when the open handle was a disk file: a device or pipe
// that the user named is no file of ours.
class PaymentFile {
public:
    PaymentFile() = default;
    PaymentFile(const PaymentFile&) = delete;
    PaymentFile& operator=(const PaymentFile&) = delete;
    ~PaymentFile();

    // Opens chosen; when that fails and the process is not elevated, the
    // VirtualStore path that Windows would have used.
    bool Open(const char* chosen, const CString& redirected, bool elevated);
    std::FILE* Get() const { return m_file.Get(); }
    // The path opened: the chosen one or the VirtualStore one.
    const char* Path() const { return m_path; }

    // Flushes and closes. False when any of what was written could not be
    // stored; the file is then still there for Remove.
    bool Store() noexcept;

    // Closes the file if need be and removes it. Tells the debugger output
    // when the file stays behind.
    void Remove() noexcept;

private:
    File m_file;
    CString m_path;
    bool m_disk = false;
};
} // namespace detail

} // namespace qf
