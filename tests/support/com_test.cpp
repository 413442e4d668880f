#include "tests/support/com_test.h"

#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "com/com_object.h"

namespace qf::test {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeVirtualStoreTwin(const std::string& folder, std::string& store)
{
    char local[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
        return false;
    store = std::string(local) + "\\virtualstore" + folder.substr(2);
    return SHCreateDirectoryExA(nullptr, store.c_str(), nullptr) == ERROR_SUCCESS;
}

std::wstring TakeErrorDescription()
{
    IErrorInfo* raw = nullptr;
    if (GetErrorInfo(0, &raw) != S_OK || !raw)
        return L"<none>";
    auto info = ComPtr<IErrorInfo>::Attach(raw);
    Bstr text;
    info->GetDescription(text.Put());
    return text.Text();
}

HRESULT ComponentCanUnload()
{
    HMODULE dll = GetModuleHandleA("Quillfen.dll");
    if (!dll)
        return E_FAIL;
    auto canUnload = ExportOf<HRESULT(WINAPI*)()>(dll, "DllCanUnloadNow");
    return canUnload ? canUnload() : E_FAIL;
}

void ComTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    SetErrorInfo(0, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                               host.PutVoid()),
              S_OK)
        << "CorvaneHost.dll is not registered in the prefix";
    host->Reset();
}

void ComTest::TearDown()
{
    if (host) {
        EXPECT_EQ(LiveHostObjects(), 0) << "host objects still alive after the scenario";
        host->Reset();
        host.Reset();
    }
    EXPECT_EQ(ModuleLockCount(), 0) << "the component's library still holds module locks";
    const HRESULT dll = ComponentCanUnload();
    EXPECT_TRUE(dll == S_OK || dll == E_FAIL) << "Quillfen.dll still holds module locks";
    SetErrorInfo(0, nullptr);
    CoUninitialize();
}

long ComTest::LiveHostObjects()
{
    long live = -1;
    host->get_LiveObjects(&live);
    return live;
}

ComPtr<ICorvanePayment> ComTest::AddPayment(ICorvanePayments* batch)
{
    ComPtr<ICorvanePayment> p;
    EXPECT_EQ(host->AddPayment(batch, p.Put()), S_OK);
    return p;
}

ComPtr<ICorvanePayments> ComTest::MakePayments(long n)
{
    ComPtr<ICorvanePayments> batch;
    EXPECT_EQ(host->NewPayments(batch.Put()), S_OK);
    for (long i = 0; i < n; ++i) {
        ComPtr<ICorvanePayment> p = AddPayment(batch.Get());
        p->put_Amount(10.0);
        auto text = [](const wchar_t* s) { return Bstr(s); };
        Bstr payerSort = text(L"12-34-56"), payerAcc = text(L"12345678"), payeeSort = text(L"65-43-21"),
             payeeAcc = text(L"87654321"), name = Bstr((L"Payee " + std::to_wstring(i + 1)).c_str());
        p->put_PayerSortCode(payerSort.Get());
        p->put_PayerAccountNumber(payerAcc.Get());
        p->put_PayeeSortCode(payeeSort.Get());
        p->put_PayeeAccountNumber(payeeAcc.Get());
        p->put_PayeeAccountName(name.Get());
    }
    return batch;
}

ComPtr<ICorvaneBankRecord> ComTest::MakeBankRecord(const wchar_t* sortCode, const wchar_t* accountNumber)
{
    Bstr s(sortCode), a(accountNumber);
    ComPtr<ICorvaneBankRecord> record;
    EXPECT_EQ(host->NewBankRecord(s.Get(), a.Get(), record.Put()), S_OK);
    return record;
}

namespace {
std::string SettingsIni()
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    const std::string settings = std::string(folder) + "\\CORVANE\\Corvane EBanking";
    SHCreateDirectoryExA(nullptr, settings.c_str(), nullptr);
    return settings + "\\BANKSERV.INI";
}
} // namespace

PaidCheckOff::PaidCheckOff(const std::string& folder)
{
    const std::string ini = SettingsIni();
    WritePrivateProfileStringA("Payment Export", "PaidBeforeDays", "0", ini.c_str());
    WritePrivateProfileStringA("Payment Export", "PaidRecordFolder", folder.empty() ? nullptr : folder.c_str(),
                               ini.c_str());
}

PaidCheckOff::~PaidCheckOff()
{
    WritePrivateProfileStringA("Payment Export", nullptr, nullptr, SettingsIni().c_str());
}

} // namespace qf::test
