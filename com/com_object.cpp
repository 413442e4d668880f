#include "com/com_object.h"

namespace qf {
namespace {
volatile LONG g_lockCount = 0;
} // namespace

void ModuleLock() noexcept { InterlockedIncrement(&g_lockCount); }
void ModuleUnlock() noexcept { InterlockedDecrement(&g_lockCount); }
long ModuleLockCount() noexcept { return InterlockedCompareExchange(&g_lockCount, 0, 0); }

HRESULT ObjectRoot::Inner::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *out = this;
        AddRef();
        return S_OK;
    }
    return m_root->InnerQueryInterface(iid, out);
}

HRESULT ObjectRoot::InnerQueryInterface(REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    void* p = QueryOwn(iid);
    *out = p;
    if (!p)
        return E_NOINTERFACE;
    OuterAddRef();
    return S_OK;
}

ULONG ObjectRoot::InnerRelease() noexcept
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT ObjectRoot::OuterQueryInterface(REFIID iid, void** out) noexcept
{
    if (m_outer)
        return m_outer->QueryInterface(iid, out);
    return InnerQueryInterface(iid, out);
}

ULONG ObjectRoot::OuterAddRef() noexcept
{
    return m_outer ? m_outer->AddRef() : InnerAddRef();
}

ULONG ObjectRoot::OuterRelease() noexcept
{
    return m_outer ? m_outer->Release() : InnerRelease();
}

HRESULT ObjectRoot::CreateRoot(ObjectRoot* object, IUnknown* outer, REFIID iid, void** out) noexcept
{
    object->m_outer = outer;
    // Hold the object while it builds itself, so nothing in the
    // construction step can destroy it.
    object->m_refs = 1;
    HRESULT hr;
    try {
        hr = object->FinalConstruct();
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    if (SUCCEEDED(hr)) {
        if (outer)
            hr = object->m_inner.QueryInterface(iid, out);
        else
            hr = object->InnerQueryInterface(iid, out);
    }
    object->InnerRelease(); // destroys the object when nothing took it
    return hr;
}

} // namespace qf
