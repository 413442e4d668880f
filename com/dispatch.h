// IDispatch served from a type library embedded in the module.
//
// The type information of each interface is loaded once per process from
// a TYPELIB resource of the module (platform::ResourceModule): the
// component's one library, or one of the host's four. Members inherited from
// another library's interfaces resolve through that library's registration.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com/com_object.h"

namespace qf {

// The type information of interface iid in the module's TYPELIB resource
// number library (not owned: the cache keeps it until ReleaseTypeInfoCache).
// Null when unavailable.
ITypeInfo* TypeInfoOf(int library, REFIID iid) noexcept;
// Drops the cached type libraries (module unload).
void ReleaseTypeInfoCache() noexcept;

// Implements IDispatch for Interface, whose own IID is iid, from the
// module's TYPELIB resource number Library.
template <class Interface, const IID* Iid, int Library = 1> class DispatchImpl : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        ITypeInfo* ti = TypeInfoOf(Library, *Iid);
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = TypeInfoOf(Library, *Iid);
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        return ti->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = TypeInfoOf(Library, *Iid);
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        return ti->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr);
    }
};

// A class with one dispatch interface and nothing else: it answers
// IUnknown, IDispatch and Interface.
template <class Interface, const IID* Iid, int Library = 1>
class DispatchObject : public ObjectRoot, public DispatchImpl<Interface, Iid, Library> {
public:
    void* QueryOwn(REFIID iid) noexcept override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, *Iid))
            return static_cast<Interface*>(this);
        return nullptr;
    }
    QF_IUNKNOWN
};

} // namespace qf
