// The component's classes through real COM activation: identity, errors,
// the collection and its enumerator, aggregation and the module lock.
#include <gtest/gtest.h>

#include "tests/support/com_test.h"

using namespace qf;
using namespace qf::test;

namespace {

const HRESULT kInvalidArg = static_cast<HRESULT>(0x800AFFFC);

struct ClassInfo {
    const CLSID* clsid;
    const IID* own;
    const IID* host;
};

const ClassInfo kClasses[] = {
    {&CLSID_Bank, &IID_IBank, &IID_ICorvaneBank},
    {&CLSID_BankServices, &IID_IBankServices, &IID_ICorvaneBankServices},
    {&CLSID_BankPaymentService, &IID_IBankPaymentService, &IID_ICorvaneBankPaymentService},
    {&CLSID_BankStatementService, &IID_IBankStatementService, &IID_ICorvaneBankStatementService},
};

ComPtr<ICorvaneBankServices> NewServices()
{
    return CreateComponent<ICorvaneBankServices>(CLSID_BankServices, IID_ICorvaneBankServices);
}

std::wstring NameOf(ICorvaneBankService* service)
{
    Bstr name;
    EXPECT_EQ(service->get_Name(name.Put()), S_OK);
    return name.Text();
}

// Resolves an index through Item; returns the service's name or the HRESULT.
std::wstring ItemName(ICorvaneBankServices* services, VARIANT* index)
{
    ComPtr<ICorvaneBankService> service;
    const HRESULT hr = services->Item(index, service.Put());
    if (FAILED(hr))
        return L"hr=" + std::to_wstring(static_cast<unsigned long>(hr));
    return NameOf(service.Get());
}

// A minimal controlling object for aggregation tests.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    ComPtr<IUnknown> inner;
};

} // namespace

using ComContract = ComTest;

TEST_F(ComContract, QueryInterfaceMatrix)
{
    for (const ClassInfo& c : kClasses) {
        auto unknown = CreateComponent<IUnknown>(*c.clsid, IID_IUnknown);
        ASSERT_TRUE(unknown);
        for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, c.own, c.host}) {
            ComPtr<IUnknown> p;
            EXPECT_EQ(unknown->QueryInterface(*iid, p.PutVoid()), S_OK);
            EXPECT_EQ(p.Get(), unknown.Get()) << "the main interface carries all of these";
        }
        ComPtr<ISupportErrorInfo> sei;
        ASSERT_EQ(unknown.As(IID_ISupportErrorInfo, sei), S_OK);
        EXPECT_NE(static_cast<void*>(sei.Get()), static_cast<void*>(unknown.Get()));
        EXPECT_EQ(sei->InterfaceSupportsErrorInfo(*c.own), S_OK);
        EXPECT_EQ(sei->InterfaceSupportsErrorInfo(*c.host), S_FALSE);
        EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    }
    // The common service interface itself is not handed out.
    auto payment = CreateComponent<IUnknown>(CLSID_BankPaymentService, IID_IUnknown);
    ComPtr<ICorvaneBankService> common;
    EXPECT_EQ(payment.As(IID_ICorvaneBankService, common), E_NOINTERFACE);
    ComPtr<IUnknown> other;
    EXPECT_EQ(payment.As(IID_ICorvaneBankStatementService, other), E_NOINTERFACE);
}

TEST_F(ComContract, ServiceCommonOperations)
{
    auto payment = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService, IID_ICorvaneBankPaymentService);
    auto statement =
        CreateComponent<ICorvaneBankStatementService>(CLSID_BankStatementService, IID_ICorvaneBankStatementService);
    EXPECT_EQ(NameOf(payment.Get()), L"Bank Payment Service");
    EXPECT_EQ(NameOf(statement.Get()), L"Bank Reconciliation Service");

    Bstr a, b;
    payment->get_Name(a.Put());
    payment->get_Name(b.Put());
    EXPECT_NE(a.Get(), b.Get()) << "each call hands out its own copy";

    EXPECT_EQ(payment->get_Name(nullptr), kInvalidArg);
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");

    long status = 99;
    EXPECT_EQ(payment->get_Status(&status), S_OK);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(payment->put_Status(-5), S_OK);
    EXPECT_EQ(payment->get_Status(&status), S_OK);
    EXPECT_EQ(status, -5);
    EXPECT_EQ(statement->get_Status(&status), S_OK);
    EXPECT_EQ(status, 0) << "services are independent";
    EXPECT_EQ(payment->get_Status(nullptr), kInvalidArg);

    long untouched = 1234;
    EXPECT_EQ(payment->Reserved1(&untouched), S_OK);
    EXPECT_EQ(untouched, 1234);
    EXPECT_EQ(payment->Reserved1(nullptr), kInvalidArg);
    EXPECT_EQ(payment->Reserved2(-1, &untouched), S_OK);
    EXPECT_EQ(payment->Reserved2(0, nullptr), kInvalidArg);
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");

    // The statement service has no status texts of its own.
    BSTR sentinel = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(statement->GetStatusText(5, &sentinel), S_OK);
    EXPECT_EQ(sentinel, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(statement->GetStatusText(0, nullptr), kInvalidArg);
}

TEST_F(ComContract, ItemResolvesNamesAndNumbers)
{
    auto services = NewServices();
    long count = 0;
    ASSERT_EQ(services->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    const std::wstring payment = L"Bank Payment Service", statement = L"Bank Reconciliation Service";
    const std::wstring invalid = L"hr=" + std::to_wstring(static_cast<unsigned long>(kInvalidArg));

    Variant v;
    V_VT(v.Get()) = VT_I4;
    V_I4(v.Get()) = 0;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), payment);
    V_I4(v.Get()) = 1;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), statement);
    V_I4(v.Get()) = 2;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), invalid);
    V_I4(v.Get()) = -1;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), invalid);
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");

    V_VT(v.Get()) = VT_R8;
    V_R8(v.Get()) = 1.0;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), statement);
    V_VT(v.Get()) = VT_I2;
    V_I2(v.Get()) = 0;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), payment);
    V_VT(v.Get()) = VT_EMPTY;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), invalid);
    V_VT(v.Get()) = VT_ERROR;
    V_ERROR(v.Get()) = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(ItemName(services.Get(), v.Get()), invalid);
    EXPECT_EQ(ItemName(services.Get(), nullptr), invalid);

    Variant name;
    V_VT(name.Get()) = VT_BSTR;
    V_BSTR(name.Get()) = SysAllocString(L"Bank Payment Service");
    EXPECT_EQ(ItemName(services.Get(), name.Get()), payment);
    name.Clear();
    V_VT(name.Get()) = VT_BSTR;
    V_BSTR(name.Get()) = SysAllocString(L"bank payment service");
    EXPECT_EQ(ItemName(services.Get(), name.Get()), invalid) << "names compare case-sensitively";
    name.Clear();
    V_VT(name.Get()) = VT_BSTR;
    V_BSTR(name.Get()) = SysAllocString(L"1");
    EXPECT_EQ(ItemName(services.Get(), name.Get()), invalid) << "a text is always a name";

    BSTR byRef = SysAllocString(L"Bank Reconciliation Service");
    VARIANT ref;
    VariantInit(&ref);
    V_VT(&ref) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&ref) = &byRef;
    EXPECT_EQ(ItemName(services.Get(), &ref), statement);
    EXPECT_STREQ(byRef, L"Bank Reconciliation Service") << "the index is never changed";
    SysFreeString(byRef);

    EXPECT_EQ(services->Item(v.Get(), nullptr), kInvalidArg);
    EXPECT_EQ(services->get_Count(nullptr), kInvalidArg);
    EXPECT_EQ(services->get__NewEnum(nullptr), kInvalidArg);
    TakeErrorDescription();
}

TEST_F(ComContract, EnumeratorWalksTheLiveList)
{
    auto services = NewServices();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(services->get__NewEnum(unknown.Put()), S_OK);
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(unknown.As(IID_IEnumVARIANT, e), S_OK);
    services.Reset(); // the enumerator keeps its collection alive

    VARIANT items[3];
    ULONG fetched = 99;
    EXPECT_EQ(e->Next(3, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(V_VT(&items[i]), VT_DISPATCH);
        ComPtr<ICorvaneBankService> s;
        ASSERT_EQ(V_DISPATCH(&items[i])->QueryInterface(i == 0 ? IID_ICorvaneBankPaymentService
                                                               : IID_ICorvaneBankStatementService,
                                                        s.PutVoid()),
                  S_OK);
        VariantClear(&items[i]);
    }
    EXPECT_EQ(V_VT(&items[2]), VT_EMPTY);
    EXPECT_EQ(e->Next(1, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Next(2, items, nullptr), S_OK);
    VariantClear(&items[0]);
    VariantClear(&items[1]);

    EXPECT_EQ(e->Next(0, items, &fetched), E_POINTER);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);
    EXPECT_EQ(fetched, 0u);

    e->Reset();
    EXPECT_EQ(e->Skip(1), S_OK);
    e->Reset();
    EXPECT_EQ(e->Skip(2), S_FALSE);
    ASSERT_EQ(e->Next(1, items, nullptr), S_OK);
    ComPtr<ICorvaneBankPaymentService> first;
    EXPECT_EQ(V_DISPATCH(&items[0])->QueryInterface(IID_ICorvaneBankPaymentService, first.PutVoid()), S_OK)
        << "a failed Skip leaves the position where it was";
    VariantClear(&items[0]);

    // A clone taken after one Next starts at the statement service.
    e->Reset();
    ASSERT_EQ(e->Next(1, items, nullptr), S_OK);
    VariantClear(&items[0]);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(e->Clone(clone.Put()), S_OK);
    ASSERT_EQ(clone->Next(1, items, nullptr), S_OK);
    ComPtr<ICorvaneBankStatementService> second;
    EXPECT_EQ(V_DISPATCH(&items[0])->QueryInterface(IID_ICorvaneBankStatementService, second.PutVoid()), S_OK);
    VariantClear(&items[0]);
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST_F(ComContract, BankHandsOutOneCollection)
{
    auto bank = CreateComponent<ICorvaneBank>(CLSID_Bank, IID_ICorvaneBank);
    Bstr name;
    ASSERT_EQ(bank->get_Name(name.Put()), S_OK);
    EXPECT_STREQ(name.Text(), L"RBS/NatWest Internet Bankline");
    long value = 0;
    EXPECT_EQ(bank->get_FixedValue(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(bank->get_Status(&value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(bank->get_Name(nullptr), kInvalidArg);
    EXPECT_EQ(bank->get_Services(nullptr), kInvalidArg);
    EXPECT_EQ(bank->get_FixedValue(nullptr), kInvalidArg);
    EXPECT_EQ(bank->get_Status(nullptr), kInvalidArg);
    TakeErrorDescription();

    ComPtr<ICorvaneBankServices> first, second;
    ASSERT_EQ(bank->get_Services(first.Put()), S_OK);
    ASSERT_EQ(bank->get_Services(second.Put()), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    bank.Reset();
    long count = 0;
    EXPECT_EQ(first->get_Count(&count), S_OK) << "the collection outlives the bank while held";
    EXPECT_EQ(count, 2);
}

TEST_F(ComContract, ConfigureAsksTheHostsConfiguration)
{
    auto bank = CreateComponent<ICorvaneBank>(CLSID_Bank, IID_ICorvaneBank);
    EXPECT_EQ(bank->Configure(0), S_OK);
    Bstr seen;
    host->get_LastConfigureBank(seen.Put());
    EXPECT_STREQ(seen.Text(), L"RBS/NatWest Internet Bankline|3");

    Bstr member(L"ConfigureBank");
    host->FailCall(member.Get(), 0, E_ACCESSDENIED);
    EXPECT_EQ(bank->Configure(0), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"Corvane host: ConfigureBank failed") << "the host's error information";

    host->Reset();
    Bstr cls(L"BankConfiguration");
    host->RefuseCreation(cls.Get(), VARIANT_TRUE);
    EXPECT_EQ(bank->Configure(0), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"A call on Corvane EBanking failed (0x80004003).");
}

TEST_F(ComContract, ClassObjectsAggregationAndModuleLock)
{
    ComPtr<IClassFactory> f1, f2;
    ASSERT_EQ(CoGetClassObject(CLSID_Bank, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, f1.PutVoid()), S_OK);
    ASSERT_EQ(CoGetClassObject(CLSID_Bank, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, f2.PutVoid()), S_OK);
    EXPECT_EQ(f1.Get(), f2.Get());

    EXPECT_EQ(ComponentCanUnload(), S_OK);
    EXPECT_EQ(f1->LockServer(TRUE), S_OK);
    EXPECT_EQ(ComponentCanUnload(), S_FALSE);
    EXPECT_EQ(f1->LockServer(FALSE), S_OK);
    EXPECT_EQ(ComponentCanUnload(), S_OK);

    EXPECT_EQ(f1->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);

    for (const ClassInfo& c : kClasses) {
        ComPtr<IClassFactory> f;
        ASSERT_EQ(CoGetClassObject(*c.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, f.PutVoid()), S_OK);
        Outer outer;
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(f->CreateInstance(&outer, IID_IDispatch, &p), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(p, nullptr);
        ASSERT_EQ(f->CreateInstance(&outer, IID_IUnknown, outer.inner.PutVoid()), S_OK);
        EXPECT_EQ(ComponentCanUnload(), S_FALSE) << "a live object holds the module";
        // Through the aggregate: the inner object's interfaces, the outer's identity.
        ComPtr<IUnknown> own;
        ASSERT_EQ(outer.QueryInterface(*c.own, own.PutVoid()), S_OK);
        const ULONG before = outer.refs;
        own->AddRef();
        EXPECT_EQ(outer.refs, before + 1) << "references go to the controlling object";
        own->Release();
        ComPtr<IUnknown> identity;
        ASSERT_EQ(own->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
        EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
        identity.Reset();
        own.Reset();
        outer.inner.Reset();
        EXPECT_EQ(ComponentCanUnload(), S_OK);
    }
}

TEST_F(ComContract, PaymentStatusTextsComeFromTheDll)
{
    auto payment = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService, IID_ICorvaneBankPaymentService);
    Bstr text;
    ASSERT_EQ(payment->GetStatusText(0, text.Put()), S_OK);
    EXPECT_STREQ(text.Text(), L"Payment processed successfully.");
    ASSERT_EQ(payment->GetStatusText(28, text.Put()), S_OK);
    EXPECT_STREQ(text.Text(), L"Invalid Payee Sort Code: the sort code must contain exactly 6 digits.");
    for (long code = 20; code <= 36; ++code) {
        ASSERT_EQ(payment->GetStatusText(code, text.Put()), S_OK);
        EXPECT_GT(text.Length(), 0u) << code;
    }
    for (long code : {1L, 19L, 37L, 40L, -1L}) {
        BSTR sentinel = reinterpret_cast<BSTR>(0x5678);
        EXPECT_EQ(payment->GetStatusText(code, &sentinel), S_OK);
        EXPECT_EQ(sentinel, reinterpret_cast<BSTR>(0x5678)) << code;
    }
    EXPECT_EQ(payment->GetStatusText(0, nullptr), kInvalidArg);
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");
}
