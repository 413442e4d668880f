#include "payments/bench/win/sample_host.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace qf::sample {
namespace {

[[noreturn]] void Fail(const char* what, HRESULT hr)
{
    std::fprintf(stderr, "%s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    std::exit(2);
}

void Put(ICorvanePayment* p, HRESULT (STDMETHODCALLTYPE ICorvanePayment::*put)(BSTR), const std::wstring& text)
{
    Bstr value(text.c_str());
    (p->*put)(value.Get());
}

platform::LocalTime SampleToday()
{
    platform::LocalTime now;
    now.year = 2022, now.month = 6, now.day = 9, now.hour = 10;
    return now;
}

} // namespace

ComPtr<ICorvaneHostControl> LoadHostControl(const char* path)
{
    HMODULE dll = LoadLibraryA(path);
    if (!dll)
        Fail("cannot load the host's DLL", HRESULT_FROM_WIN32(GetLastError()));
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")));
    if (!getClassObject)
        Fail("the host's DLL has no DllGetClassObject", E_FAIL);
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(CLSID_HostControl, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr))
        Fail("no class object for the host control", hr);
    ComPtr<ICorvaneHostControl> host;
    hr = factory->CreateInstance(nullptr, IID_ICorvaneHostControl, host.PutVoid());
    if (FAILED(hr))
        Fail("cannot create the host control", hr);
    return host; // the DLL stays loaded for the life of the program
}

ComPtr<ICorvanePayments> MakeSampleBatch(ICorvaneHostControl* host, long n, bool marked)
{
    static const wchar_t* const names[] = {L"Acme Supplies Ltd", L"J Smith & Sons", L"Northern Timber Co",
                                           L"O'Brien Plumbing", L"Bath Stationers", L"Riverside Catering",
                                           L"Hughes Electrical", L"Patel Wholesale"};
    static const wchar_t* const details[] = {L"Invoice 10234", L"Materials for May", L"Timber order 55",
                                             L"Call-out 17/05", L"Office supplies", L"Staff lunch June",
                                             L"Rewiring unit 4", L"Stock 2022-06"};
    ComPtr<ICorvanePayments> batch;
    HRESULT hr = host->NewPayments(batch.Put());
    if (FAILED(hr))
        Fail("cannot make a batch", hr);
    for (long i = 0; i < n; ++i) {
        ComPtr<ICorvanePayment> p;
        hr = host->AddPayment(batch.Get(), p.Put());
        if (FAILED(hr))
            Fail("cannot add a payment", hr);
        const size_t k = static_cast<size_t>(i) % 8;
        p->put_Amount(12.5 + 37.25 * static_cast<double>(i % 97));
        Put(p.Get(), &ICorvanePayment::put_PayerSortCode, L"12-34-56");
        Put(p.Get(), &ICorvanePayment::put_PayerAccountNumber, L"12345678");
        wchar_t sort[16], account[16], reference[24];
        swprintf(sort, 16, L"%02ld-%02ld-%02ld", 10 + i % 80, i % 100, (i * 7) % 100);
        swprintf(account, 16, L"%08ld", 40000000 + i * 13);
        swprintf(reference, 24, L"SUPP%05ld", 100 + i);
        Put(p.Get(), &ICorvanePayment::put_PayeeSortCode, sort);
        Put(p.Get(), &ICorvanePayment::put_PayeeAccountNumber, account);
        Put(p.Get(), &ICorvanePayment::put_PayeeAccountName, names[k]);
        Put(p.Get(), &ICorvanePayment::put_PayeeBACSReference, reference);
        Put(p.Get(), &ICorvanePayment::put_Details, details[k]);
        p->put_StatusCode(marked && i % 5 == 1 ? 1 : 0);
    }
    return batch;
}

void FixTheClock() { platform::SetClock(SampleToday); }

} // namespace qf::sample
