// Creating the host's own components (BankConfiguration, StatementFileSelector).
#pragma once
#include "com/host_interfaces.h"
#include "com/com_holders.h"

namespace qf {

// CoCreateInstance with every server context for IUnknown, then OleRun,
// then the interface. Null when any step fails.
template <class T> ComPtr<T> CreateHostComponent(REFCLSID clsid, REFIID iid) noexcept
{
    ComPtr<IUnknown> unknown;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.PutVoid())) || !unknown)
        return {};
    if (FAILED(OleRun(unknown.Get())))
        return {};
    ComPtr<T> result;
    if (FAILED(unknown.As(iid, result)))
        return {};
    return result;
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
