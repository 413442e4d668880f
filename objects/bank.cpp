#include "objects/bank.h"

#include "com/host_components.h"
#include "objects/services.h"
#include "com/error_guard.h"

namespace qf {

// ---- CListImpl -------------------------------------------------------------

template <class Item, class Interface, const IID* Iid>
void CListImpl<Item, Interface, Iid>::Add(Item* item)
{
    CheckArg(item != nullptr);
    if (m_list.size() == m_list.capacity())
        m_list.reserve(m_list.size() + 8);
    m_list.push_back(item);
    item->AddRef();
}

template <class Item, class Interface, const IID* Iid>
void CListImpl<Item, Interface, Iid>::Remove(long position)
{
    CheckArg(position >= 0 && position < Size());
    Item* item = m_list[static_cast<std::size_t>(position)];
    m_list.erase(m_list.begin() + position);
    item->Release();
}

template <class Item, class Interface, const IID* Iid>
void CListImpl<Item, Interface, Iid>::RemoveAll() noexcept
{
    while (!m_list.empty()) {
        Item* item = m_list.back();
        m_list.pop_back();
        item->Release();
    }
    std::vector<Item*>().swap(m_list);
}

template <class Item, class Interface, const IID* Iid>
void CListImpl<Item, Interface, Iid>::ItemAt(long position, Item** out)
{
    CheckArg(out != nullptr);
    CheckArg(position >= 0 && position < Size());
    *out = m_list[static_cast<std::size_t>(position)];
    (*out)->AddRef();
}

template class CListImpl<ICorvaneBankService, IBankServices, &IID_IBankServices>;

// ---- CBankServices ---------------------------------------------------------

HRESULT CBankServices::FinalConstruct()
{
    RemoveAll();
    ComPtr<ICorvaneBankService> payment;
    HRESULT hr = ObjectRoot::Create<CBankPaymentService>(nullptr, IID_ICorvaneBankPaymentService, payment.PutVoid());
    if (FAILED(hr))
        return ReportComError(hr);
    Add(payment.Get());
    ComPtr<ICorvaneBankService> statement;
    hr = ObjectRoot::Create<CBankStatementService>(nullptr, IID_ICorvaneBankStatementService, statement.PutVoid());
    if (FAILED(hr))
        return ReportComError(hr);
    Add(statement.Get());
    return S_OK;
}

long CBankServices::Resolve(const VARIANT* index)
{
    if (!index || V_VT(index) == VT_EMPTY || V_VT(index) == VT_ERROR)
        return -1;
    if (V_VT(index) == VT_BSTR || V_VT(index) == (VT_BSTR | VT_BYREF)) {
        BSTR source = V_VT(index) == VT_BSTR ? V_BSTR(index) : (V_BSTRREF(index) ? *V_BSTRREF(index) : nullptr);
        Bstr wanted = Bstr::Attach(CopyBstr(source));
        for (long i = 0; i < Size(); ++i) {
            Bstr name;
            if (FAILED(m_list[static_cast<std::size_t>(i)]->get_Name(name.Put())))
                continue;
            if (VarBstrCmp(name.Get(), wanted.Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ)
                return i;
        }
        return -1;
    }
    Variant number;
    if (FAILED(VariantChangeType(number.Get(), const_cast<VARIANT*>(index), 0, VT_I4)))
        return -1;
    return V_I4(number.Get());
}

STDMETHODIMP CBankServices::Item(VARIANT* index, ICorvaneBankService** service)
{
    return Guard([&] {
        CheckArg(service != nullptr);
        const long position = Resolve(index);
        ItemAt(position, service);
        return S_OK;
    });
}

STDMETHODIMP CBankServices::get_Count(long* count)
{
    return Guard([&] {
        CheckArg(count != nullptr);
        *count = Size();
        return S_OK;
    });
}

STDMETHODIMP CBankServices::get__NewEnum(IUnknown** enumerator)
{
    return Guard([&] {
        CheckArg(enumerator != nullptr);
        auto* e = new CEnumVariantArray(this, 0);
        return e->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(enumerator));
    });
}

// ---- CEnumVariantArray -----------------------------------------------------

CEnumVariantArray::CEnumVariantArray(CBankServices* owner, long position) : m_owner(owner), EnumPosition(position)
{
    static_cast<IBankServices*>(m_owner)->AddRef();
}

CEnumVariantArray::~CEnumVariantArray()
{
    static_cast<IBankServices*>(m_owner)->Release();
}

STDMETHODIMP CEnumVariantArray::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
        if (!out)
            return E_POINTER;
        *out = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    if (out)
        *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumVariantArray::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP CEnumVariantArray::Next(ULONG count, VARIANT* items, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    // Writing through a null array would crash the caller's process.
    if (count > 0 && !items)
        return E_POINTER;
    for (ULONG i = 0; i < count; ++i)
        VariantInit(&items[i]);
    if (count == 0)
        return E_POINTER;
    const std::vector<ICorvaneBankService*>& list = m_owner->List();
    for (ULONG i = 0; i < count; ++i) {
        if (EnumPosition >= static_cast<long>(list.size()))
            return S_FALSE;
        V_VT(&items[i]) = VT_DISPATCH;
        if (FAILED(list[static_cast<std::size_t>(EnumPosition)]->QueryInterface(
                IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(&items[i]))))) {
            V_VT(&items[i]) = VT_EMPTY;
            return S_FALSE;
        }
        if (fetched)
            ++*fetched;
        ++EnumPosition;
    }
    return S_OK;
}

STDMETHODIMP CEnumVariantArray::Skip(ULONG count)
{
    const long size = static_cast<long>(m_owner->List().size());
    if (static_cast<unsigned long long>(EnumPosition) + count < static_cast<unsigned long long>(size)) {
        EnumPosition += static_cast<long>(count);
        return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP CEnumVariantArray::Reset()
{
    EnumPosition = 0;
    return S_OK;
}

STDMETHODIMP CEnumVariantArray::Clone(IEnumVARIANT** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    CEnumVariantArray* copy = new (std::nothrow) CEnumVariantArray(m_owner, EnumPosition);
    if (!copy)
        return E_OUTOFMEMORY;
    return copy->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(out));
}

// ---- CBank -----------------------------------------------------------------

CBank::CBank()
{
    m_name = Bstr(L"RBS/NatWest Internet Bankline");
    if (!m_name.Get())
        throw std::bad_alloc();
}

CBank::~CBank() = default;

STDMETHODIMP CBank::get_Name(BSTR* name)
{
    return Guard([&] {
        CheckArg(name != nullptr);
        *name = CopyBstr(m_name.Get());
        return S_OK;
    });
}

STDMETHODIMP CBank::get_Services(ICorvaneBankServices** services)
{
    return Guard([&] {
        CheckArg(services != nullptr);
        if (!m_services) {
            ComPtr<ICorvaneBankServices> created;
            const HRESULT hr = ObjectRoot::Create<CBankServices>(nullptr, IID_ICorvaneBankServices, created.PutVoid());
            if (FAILED(hr))
                ThrowHr(hr);
            m_services = created;
        }
        return m_services.CopyTo(services);
    });
}

STDMETHODIMP CBank::get_FixedValue(long* value)
{
    return Guard([&] {
        CheckArg(value != nullptr);
        *value = 1;
        return S_OK;
    });
}

STDMETHODIMP CBank::Configure(long)
{
    return GuardHostCalls([&] {
        const ComPtr<ICorvaneBankConfiguration> config =
            CreateHostComponentOrRaise<ICorvaneBankConfiguration>(CLSID_BankConfiguration);
        char bank[1024];
        FillBankName(bank);
        CheckHost(config->ConfigureBank(bank, 3));
        return S_OK;
    });
}

STDMETHODIMP CBank::get_Status(long* status)
{
    return Guard([&] {
        CheckArg(status != nullptr);
        *status = m_status;
        return S_OK;
    });
}

} // namespace qf
