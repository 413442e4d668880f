// The common root of a module's COM objects: reference counting,
// aggregation and the module lock. The component and the host's side each
// link their own copy, so each DLL counts its own objects and locks.
//
// Reference counts and the module lock count change atomically: the classes
// are apartment-threaded, but DllCanUnloadNow may be called from any thread,
// and the host's tests call its objects from a watcher thread too.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#include <new>
#include <type_traits>
#include <utility>

#include "com/com_holders.h"
#include "text/hresult.h"

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
    ULONG InnerAddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG InnerRelease() noexcept;

    // Creates an instance of T as a class object's CreateInstance does.
    template <class T> static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept;
    // Creates an instance of T for the module's own use, not aggregated and
    // held once. Throws std::bad_alloc, or the HRESULT of a failed
    // construction step.
    template <class T, class... Args> static ComPtr<T> Make(Args&&... args);

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

    volatile LONG m_refs = 0;
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

template <class T, class... Args> ComPtr<T> ObjectRoot::Make(Args&&... args)
{
    ComPtr<T> object(new T(std::forward<Args>(args)...));
    const HRESULT hr = object->FinalConstruct();
    if (FAILED(hr))
        ThrowHr(hr);
    return object;
}

// What every class of the component shares in its identity: the main
// interface answers IUnknown, IDispatch, the class's own interface and the
// host's interface it derives from; a second pointer answers
// ISupportErrorInfo, which claims error information only for the own
// interface. Derived names the class (it supplies IUnknown with QF_IUNKNOWN).
template <class Derived, class Main, const IID* OwnIid, const IID* HostIid>
class ComClass : public ObjectRoot, public ISupportErrorInfo {
public:
    void* QueryOwn(REFIID iid) noexcept override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, *OwnIid) ||
            IsEqualIID(iid, *HostIid))
            return static_cast<Main*>(static_cast<Derived*>(this));
        if (IsEqualIID(iid, IID_ISupportErrorInfo))
            return static_cast<ISupportErrorInfo*>(this);
        return nullptr;
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override { return IsEqualIID(iid, *OwnIid) ? S_OK : S_FALSE; }
};

} // namespace qf

// IUnknown of a class with several interface bases: one overrider serves them all.
#define QF_IUNKNOWN                                                                              \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return OuterQueryInterface(iid, out); } \
    STDMETHODIMP_(ULONG) AddRef() override { return OuterAddRef(); }                             \
    STDMETHODIMP_(ULONG) Release() override { return OuterRelease(); }
