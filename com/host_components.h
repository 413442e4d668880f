// Creating the host's own components (BankConfiguration, StatementFileSelector).
#pragma once
#include "com/host_interfaces.h"
#include "com/com_holders.h"
#include "com/error_guard.h"

namespace qf {

// CoCreateInstance with every server context for IUnknown, then OleRun,
// then the interface T. Null when any step fails.
template <class T> [[nodiscard]] ComPtr<T> CreateHostComponent(REFCLSID clsid) noexcept
{
    ComPtr<IUnknown> unknown;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.PutVoid())) || !unknown)
        return {};
    if (FAILED(OleRun(unknown.Get())))
        return {};
    return unknown.As<T>();
}

// The same for a component the caller cannot do without: a host that cannot
// provide it fails the call as a host error (E_POINTER), which the guard
// reports as DISP_E_EXCEPTION.
template <class T> [[nodiscard]] ComPtr<T> CreateHostComponentOrRaise(REFCLSID clsid)
{
    ComPtr<T> component = CreateHostComponent<T>(clsid);
    if (!component)
        RaiseHostError(E_POINTER);
    return component;
}

// The bank name in a zero-padded narrow buffer, as the host's calls take it.
template <std::size_t N> void FillBankName(char (&buffer)[N])
{
    static const char kBank[] = "RBS/NatWest Internet Bankline";
    static_assert(N >= sizeof kBank, "buffer too small for the bank name");
    memset(buffer, 0, N);
    memcpy(buffer, kBank, sizeof kBank - 1);
}

} // namespace qf
