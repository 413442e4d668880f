#include "com/class_factory.h"

#include <new>

#include "com/com_object.h"
#include "com/critical_section.h"
#include "com/error_guard.h"

namespace qf {
namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFn create) : m_create(create) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
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
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        return GuardPlain([&] { return m_create(outer, iid, out); });
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }

private:
    volatile LONG m_refs = 0;
    CreateFn m_create;
};

// Only one class object is ever made per class, whichever thread asks first.
CriticalSection g_factoryLock;

} // namespace

HRESULT ClassObject::Get(REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    ComPtr<IClassFactory> factory;
    {
        CriticalSectionLock lock(g_factoryLock);
        if (!m_object)
            if (auto* created = new (std::nothrow) ClassFactory(m_create))
                m_object = ComPtr<IClassFactory>(created);
        factory = m_object;
    }
    if (!factory)
        return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, out);
}

void ClassObject::Release() noexcept
{
    CriticalSectionLock lock(g_factoryLock);
    m_object.Reset();
}

} // namespace qf
