// Error reporting at the COM boundary.
//
// ReportComError turns a failed HRESULT into error information on the
// calling thread and a control-facility HRESULT. The guard runs a COM
// method's body so that no exception ever leaves the method, and every
// failure it returns carries error information of its own:
//   HostError (a failed call on a host object) -> DISP_E_EXCEPTION, with the
//                                                 host's information or ours
//   hr_t thrown by our own code                 -> ReportComError(hr)
//   anything else                               -> E_UNEXPECTED
// GuardPlain is the guard of an entry whose failures are its HRESULT alone
// (registration, class objects, the host's objects), with no error
// information of ours.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <new>

#include "com/com_holders.h"
#include "text/hresult.h"

namespace qf {

[[nodiscard]] HRESULT ReportComError(HRESULT hr) noexcept;

// A failed call on a host object. It takes the host's error information off
// the thread and releases it with itself, so none is left behind.
class HostError {
public:
    explicit HostError(HRESULT hr) noexcept;
    HostError(const HostError&) noexcept = default;
    HRESULT Error() const noexcept { return m_hr; }
    IErrorInfo* Info() const noexcept { return m_info.Get(); }

private:
    HRESULT m_hr;
    ComPtr<IErrorInfo> m_info;
};

[[noreturn]] void RaiseHostError(HRESULT hr);
// Raises when hr failed; returns hr otherwise.
inline HRESULT CheckHost(HRESULT hr)
{
    if (FAILED(hr))
        RaiseHostError(hr);
    return hr;
}
// Raises E_INVALIDARG (a control-facility error with "Invalid argument").
inline void CheckArg(bool ok)
{
    if (!ok)
        ThrowHr(kE_INVALIDARG);
}

// DISP_E_EXCEPTION, with the host's error information put back on the
// thread, or with ours when the host gave none.
[[nodiscard]] HRESULT ReportHostError(const HostError& error) noexcept;
// E_UNEXPECTED, described.
[[nodiscard]] HRESULT ReportUnexpected() noexcept;
// After an operation that called the host: a success leaves no error
// information on the thread (a host call the operation got past may have
// left some); a failure keeps its own, or gets ours when it has none.
void SettleErrorInfo(HRESULT hr) noexcept;

template <class Body> [[nodiscard]] HRESULT Guard(Body&& body) noexcept
{
    try {
        return body();
    } catch (const HostError& error) {
        return ReportHostError(error);
    } catch (hr_t hr) {
        return ReportComError(hr);
    } catch (...) {
        return ReportUnexpected();
    }
}

// Runs body so that no exception leaves it: running out of memory is
// E_OUTOFMEMORY, an HRESULT thrown through ThrowHr is itself, anything else
// E_UNEXPECTED. Sets no error information.
template <class Body> [[nodiscard]] HRESULT GuardPlain(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (hr_t hr) {
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The guard of an operation that calls the host.
template <class Body> [[nodiscard]] HRESULT GuardHostCalls(Body&& body) noexcept
{
    const HRESULT hr = Guard(static_cast<Body&&>(body));
    SettleErrorInfo(hr);
    return hr;
}

} // namespace qf
