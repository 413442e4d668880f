// The common root of the component's COM objects: reference counting,
// aggregation and the module lock.
//
// The classes are apartment-threaded, so their reference counts are plain
// counters. Only the module lock count is changed atomically, because
// DllCanUnloadNow may be called from any thread.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <new>

namespace qf {

// The module lock: one per live object and per LockServer(TRUE).
void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
long ModuleLockCount() noexcept;

class ObjectRoot {
public:
    ObjectRoot(const ObjectRoot&) = delete;
    ObjectRoot& operator=(const ObjectRoot&) = delete;

    // What the object itself answers: an interface pointer for iid, or null.
    virtual void* QueryOwn(REFIID iid) noexcept = 0;
    // A construction step that may fail (the collection fills itself here).
    virtual HRESULT FinalConstruct() { return S_OK; }

    // IUnknown as seen through every interface of the object: forwards to
    // the controlling unknown when the object is aggregated.
    HRESULT OuterQueryInterface(REFIID iid, void** out) noexcept;
    ULONG OuterAddRef() noexcept;
    ULONG OuterRelease() noexcept;

    // The object's own IUnknown (the inner unknown of an aggregate).
    HRESULT InnerQueryInterface(REFIID iid, void** out) noexcept;
    ULONG InnerAddRef() noexcept { return ++m_refs; }
    ULONG InnerRelease() noexcept;
    IUnknown* InnerUnknown() noexcept { return &m_inner; }

    // Creates an instance of T as a class object's CreateInstance does.
    template <class T> static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept;

protected:
    ObjectRoot() noexcept { ModuleLock(); }
    virtual ~ObjectRoot() { ModuleUnlock(); }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ObjectRoot* root) : m_root(root) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override { return m_root->InnerAddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_root->InnerRelease(); }

    private:
        ObjectRoot* m_root;
    };

    static HRESULT CreateRoot(ObjectRoot* object, IUnknown* outer, REFIID iid, void** out) noexcept;

    ULONG m_refs = 0;
    IUnknown* m_outer = nullptr; // not owned: the aggregate owns us
    Inner m_inner{this};
};

template <class T> HRESULT ObjectRoot::Create(IUnknown* outer, REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    T* object = nullptr;
    try {
        object = new T();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return CreateRoot(object, outer, iid, out);
}

} // namespace qf

// IUnknown of a class with several interface bases: one overrider serves them all.
#define QF_IUNKNOWN                                                                              \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return OuterQueryInterface(iid, out); } \
    STDMETHODIMP_(ULONG) AddRef() override { return OuterAddRef(); }                             \
    STDMETHODIMP_(ULONG) Release() override { return OuterRelease(); }
