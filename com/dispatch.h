// IDispatch served from the component's embedded type library.
//
// The type information of each interface is loaded once per process from
// the module's own TYPELIB resource. Members inherited from the host's
// interfaces resolve through the host's registered type libraries.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace qf {

// The type information of one of the component's interfaces (not owned:
// the cache keeps it until ReleaseTypeInfoCache). Null when unavailable.
ITypeInfo* ComponentTypeInfo(REFIID iid) noexcept;
// Drops the cached type library (module unload).
void ReleaseTypeInfoCache() noexcept;

// Implements IDispatch for Interface, whose own IID is iid.
template <class Interface, const IID* Iid> class DispatchImpl : public Interface {
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
        ITypeInfo* ti = ComponentTypeInfo(*Iid);
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
        ITypeInfo* ti = ComponentTypeInfo(*Iid);
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        return ti->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = ComponentTypeInfo(*Iid);
        if (!ti)
            return TYPE_E_ELEMENTNOTFOUND;
        return ti->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr);
    }
};

} // namespace qf
