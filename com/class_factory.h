// Class objects. A module keeps one per creatable class in its class table
// (an entry with a clsid and a classObject) and hands them out from
// DllGetClassObject.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "com/com_holders.h"

namespace qf {

// Makes an instance as IClassFactory::CreateInstance does. It must not throw.
using CreateFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

// The class object of one class: made on the first request, whichever
// thread asks first, and kept until Release (module unload). It holds no
// module lock of its own: LockServer is what keeps the module loaded.
class ClassObject {
public:
    explicit ClassObject(CreateFn create) noexcept : m_create(create) {}
    ClassObject(const ClassObject&) = delete;
    ClassObject& operator=(const ClassObject&) = delete;

    HRESULT Get(REFIID iid, void** out) noexcept;
    void Release() noexcept;

private:
    CreateFn m_create;
    ComPtr<IClassFactory> m_object;
};

// DllGetClassObject over a class table.
template <class Table> HRESULT ClassObjectOf(Table& table, REFCLSID clsid, REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (auto& entry : table)
        if (IsEqualCLSID(clsid, *entry.clsid))
            return entry.classObject.Get(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

template <class Table> void ReleaseClassObjects(Table& table) noexcept
{
    for (auto& entry : table)
        entry.classObject.Release();
}

} // namespace qf
