// Reference counting and IDispatch for the host's objects.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <new>
#include <string>
#include <type_traits>

#include "host/corvanehost/host_state.h"

namespace corvane {

// The handler of every COM method and export of the host's side: called in
// a catch block, it turns the exception in flight into an HRESULT, so that
// none crosses into the caller (mingw's unwinder cannot pass system frames).
inline HRESULT ContainedFailure() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Type information from the host library embedded in CorvaneHost.dll
// (resource index: 1 EBanking, 2 payments, 3 reconciliation, 4 host control).
ITypeInfo* HostTypeInfo(int library, REFIID iid);
HMODULE HostModule();

// IUnknown of a host object with one interface (and IDispatch, when the
// interface is a dispatch interface). Reference counts are atomic: the
// host's tests call the control from a watcher thread too.
template <class Interface, const IID* Iid> class RefCounted : public Interface {
public:
    virtual ~RefCounted() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        const bool dispatch = std::is_base_of<IDispatch, Interface>::value && IsEqualIID(iid, IID_IDispatch);
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, *Iid) || dispatch) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

private:
    volatile LONG m_refs = 0;
};

// IDispatch from the host type library embedded as resource Library.
template <class Interface, const IID* Iid, int Library> class DispatchObject : public RefCounted<Interface, Iid> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    try {
        if (!info)
            return E_POINTER;
        *info = index == 0 ? HostTypeInfo(Library, *Iid) : nullptr;
        if (!*info)
            return DISP_E_BADINDEX;
        (*info)->AddRef();
        return S_OK;
    } catch (...) {
        return ContainedFailure();
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    try {
        ITypeInfo* info = HostTypeInfo(Library, *Iid);
        return info ? info->GetIDsOfNames(names, count, ids) : E_NOTIMPL;
    } catch (...) {
        return ContainedFailure();
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override
    try {
        ITypeInfo* info = HostTypeInfo(Library, *Iid);
        return info ? info->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr) : E_NOTIMPL;
    } catch (...) {
        return ContainedFailure();
    }
};

// A host object of the framework: counted among the live host objects.
template <class Interface, const IID* Iid, int Library>
class HostObject : public DispatchObject<Interface, Iid, Library>, protected LiveObject {};

// Returns a new object through an out pointer with one reference.
template <class T> HRESULT HandOut(T* object, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    object->AddRef();
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out);
std::wstring FromBstr(BSTR text);

// Property helpers of the host's objects: the call is counted and logged
// under member (not at all when member is null), then the field is read or
// written.
template <class T> HRESULT GetField(const wchar_t* member, const T& field, T* out)
{
    if (member)
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
    if (!out)
        return E_POINTER;
    *out = field;
    return S_OK;
}

template <class T> HRESULT PutField(const wchar_t* member, T& field, T value)
{
    if (member)
        if (HRESULT hr = Enter(member); FAILED(hr))
            return hr;
    field = value;
    return S_OK;
}

inline HRESULT GetTextField(const wchar_t* member, const std::wstring& field, BSTR* out)
{
    if (HRESULT hr = Enter(member); FAILED(hr))
        return hr;
    return CopyOut(field, out);
}

inline HRESULT PutTextField(const wchar_t* member, std::wstring& field, BSTR value)
{
    if (HRESULT hr = Enter(member); FAILED(hr))
        return hr;
    field = FromBstr(value);
    return S_OK;
}

} // namespace corvane
