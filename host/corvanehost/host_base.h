// What the host's objects share: their identity from the COM kit (com/) and
// the helpers of their properties.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

#include "com/com_holders.h"
#include "com/dispatch.h"
#include "com/error_guard.h"
#include "host/corvanehost/host_state.h"

namespace corvane {

using qf::Bstr;
using qf::ComPtr;
using qf::GuardPlain;
using qf::ObjectRoot;

// The host's type libraries, embedded in CorvaneHost.dll as TYPELIB
// resources by these numbers.
enum HostLibrary { kEBankingLibrary = 1, kPaymentsLibrary = 2, kReconciliationLibrary = 3, kHostTestLibrary = 4 };

// A host object of the framework: IUnknown and IDispatch for its one
// interface, counted among the live host objects.
template <class Interface, const IID* Iid, int Library>
class HostObject : public qf::DispatchObject<Interface, Iid, Library>, protected LiveObject {};

HRESULT CopyOut(const std::wstring& text, BSTR* out);
std::wstring FromBstr(BSTR text);

// Property helpers of the host's objects: the call is counted and logged
// under member (not at all when member is null), then the field is read or
// written. Each runs the whole of a property under the guard, so a property
// method is one call of a helper.
template <class T> HRESULT GetField(const wchar_t* member, const T& field, T* out) noexcept
{
    return GuardPlain([&] {
        if (member)
            if (HRESULT hr = Enter(member); FAILED(hr))
                return hr;
        if (!out)
            return E_POINTER;
        *out = field;
        return S_OK;
    });
}

template <class T> HRESULT PutField(const wchar_t* member, T& field, T value) noexcept
{
    return GuardPlain([&] {
        if (member)
            if (HRESULT hr = Enter(member); FAILED(hr))
                return hr;
        field = value;
        return S_OK;
    });
}

inline HRESULT GetTextField(const wchar_t* member, const std::wstring& field, BSTR* out) noexcept
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
        return CopyOut(field, out);
    });
}

inline HRESULT PutTextField(const wchar_t* member, std::wstring& field, BSTR value) noexcept
{
    return GuardPlain([&] {
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
        field = FromBstr(value);
        return S_OK;
    });
}

} // namespace corvane
