#include "module/class_table.h"

#include "objects/bank.h"
#include "com/critical_section.h"
#include "objects/services.h"

namespace qf {
namespace {

// Class object of one class. It holds no module lock of its own: it lives
// as long as the module; LockServer is what keeps the module loaded.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry* entry) : m_entry(entry) {}

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
        return m_entry->create(outer, iid, out);
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
    const ClassEntry* m_entry;
};

ClassEntry g_classes[] = {
    {&CLSID_Bank, L"Bank", L"Bank Class", &ObjectRoot::Create<CBank>, &CATID_CorvaneBankingComponents, nullptr},
    {&CLSID_BankServices, L"BankServices", L"BankServices Class", &ObjectRoot::Create<CBankServices>, nullptr, nullptr},
    {&CLSID_BankPaymentService, L"BankPaymentService", L"BankPaymentService Class",
     &ObjectRoot::Create<CBankPaymentService>, nullptr, nullptr},
    {&CLSID_BankStatementService, L"BankStatementService", L"BankStatementService Class",
     &ObjectRoot::Create<CBankStatementService>, nullptr, nullptr},
};

// Only one class object is ever made per class, whichever thread asks first.
CriticalSection g_factoryLock;

} // namespace

const GUID* const kTypeLibId = &LIBID_QUILLFENLib;

ClassEntry* ClassTable(std::size_t& count)
{
    count = sizeof g_classes / sizeof g_classes[0];
    return g_classes;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (ClassEntry& entry : g_classes) {
        if (!IsEqualCLSID(clsid, *entry.clsid))
            continue;
        IClassFactory* factory = nullptr;
        {
            CriticalSectionLock lock(g_factoryLock);
            if (!entry.classObject) {
                auto* created = new (std::nothrow) ClassFactory(&entry);
                if (created) {
                    created->AddRef();
                    entry.classObject = created;
                }
            }
            factory = entry.classObject;
        }
        if (!factory)
            return E_OUTOFMEMORY;
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects()
{
    CriticalSectionLock lock(g_factoryLock);
    for (ClassEntry& entry : g_classes) {
        if (entry.classObject) {
            entry.classObject->Release();
            entry.classObject = nullptr;
        }
    }
}

} // namespace qf
