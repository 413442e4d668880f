// The bank object, its collection of services and the collection's enumerator.
#pragma once
#include <vector>

#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/host_interfaces.h"
#include "com/com_holders.h"

namespace qf {

// An ordered list of interface pointers, each holding one reference.
// The virtual operations below follow the collection's interface in the
// vtable, in this order: the established layout of the class. None of them is
// reachable through COM; keep their order when adding to the class.
template <class Item, class Interface, const IID* Iid>
class CListImpl : public DispatchImpl<Interface, Iid> {
public:
    virtual ~CListImpl() { RemoveAll(); }
    virtual void Add(Item* item);
    virtual void Remove(long position);
    virtual void RemoveAll() noexcept;
    virtual void ItemAt(long position, Item** out);
    virtual long GetListStatus() const { return m_status; }
    virtual void PutListStatus(long status) { m_status = status; }

    long Size() const { return static_cast<long>(m_list.size()); }
    std::vector<Item*>& List() { return m_list; }

protected:
    std::vector<Item*> m_list;
    long m_status = 0;
};

class CBankServices final
    : public ComClass<CBankServices, IBankServices, &IID_IBankServices, &IID_ICorvaneBankServices>,
      public CListImpl<ICorvaneBankService, IBankServices, &IID_IBankServices> {
public:
    QF_IUNKNOWN
    // Every new collection holds the payment service, then the statement service.
    HRESULT FinalConstruct() override;

    // ICorvaneBankServices
    STDMETHODIMP Item(VARIANT* index, ICorvaneBankService** service) override;
    STDMETHODIMP get_Count(long* count) override;
    STDMETHODIMP get__NewEnum(IUnknown** enumerator) override;

private:
    // The position an index names, or -1.
    long Resolve(const VARIANT* index);
};

// IEnumVARIANT over a collection's live list; keeps the collection alive.
class CEnumVariantArray final : public IEnumVARIANT {
public:
    CEnumVariantArray(CBankServices* owner, long position);
    virtual ~CEnumVariantArray();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** out) override;

private:
    ULONG m_refs = 0;
    CBankServices* m_owner; // one reference held
    long EnumPosition;
};

class CBank final : public ComClass<CBank, IBank, &IID_IBank, &IID_ICorvaneBank>,
                    public DispatchImpl<IBank, &IID_IBank> {
public:
    CBank();
    ~CBank() override;
    QF_IUNKNOWN

    // ICorvaneBank
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP get_Services(ICorvaneBankServices** services) override;
    STDMETHODIMP get_FixedValue(long* value) override;
    STDMETHODIMP Configure(long reserved) override;
    STDMETHODIMP get_Status(long* status) override;

private:
    Bstr m_name;
    long m_status = 0;
    ComPtr<ICorvaneBankServices> m_services;
};

} // namespace qf
