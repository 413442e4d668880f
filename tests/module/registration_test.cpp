// Registration in the registry, through the DLL's own exports.
#include <gtest/gtest.h>

#include <comcat.h>

#include <string>

#include "tests/support/com_test.h"

using namespace qf;

namespace {

// The DLL as Windows sees it (Wine maps the Unix root to Z:).
std::wstring DllPath()
{
    std::wstring path = L"Z:";
    for (const char* p = QF_COMPONENT_DLL; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

bool KeyExists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr)
{
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return data;
}

std::wstring Guid(const GUID& g)
{
    wchar_t text[40];
    StringFromGUID2(g, text, 40);
    return text;
}

// What the categories manager records for a class that implements a category.
bool BankIsInCategory()
{
    return KeyExists(L"CLSID\\" + Guid(CLSID_Bank) + L"\\Implemented Categories\\" +
                     Guid(CATID_CorvaneBankingComponents));
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        module = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(module, nullptr);
        reg = qf::test::ExportOf<HRESULT(WINAPI*)()>(module, "DllRegisterServer");
        unreg = qf::test::ExportOf<HRESULT(WINAPI*)()>(module, "DllUnregisterServer");
        ASSERT_TRUE(reg && unreg);
    }
    void TearDown() override
    {
        // Leave the prefix registered for the tests that follow.
        EXPECT_EQ(reg(), S_OK);
        FreeLibrary(module);
        CoUninitialize();
    }
    HMODULE module = nullptr;
    HRESULT(WINAPI* reg)() = nullptr;
    HRESULT(WINAPI* unreg)() = nullptr;
};

struct Expected {
    const CLSID* clsid;
    const wchar_t* name;
    const wchar_t* description;
};
const Expected kClasses[] = {
    {&CLSID_Bank, L"Bank", L"Bank Class"},
    {&CLSID_BankServices, L"BankServices", L"BankServices Class"},
    {&CLSID_BankPaymentService, L"BankPaymentService", L"BankPaymentService Class"},
    {&CLSID_BankStatementService, L"BankStatementService", L"BankStatementService Class"},
};

} // namespace

TEST_F(Registration, WritesEveryKeyOfEveryClass)
{
    ASSERT_EQ(reg(), S_OK);
    for (const Expected& c : kClasses) {
        const std::wstring progId = std::wstring(L"Quillfen.") + c.name + L".1";
        const std::wstring independent = std::wstring(L"Quillfen.") + c.name;
        const std::wstring clsid = Guid(*c.clsid);
        const std::wstring key = L"CLSID\\" + clsid;
        EXPECT_EQ(Value(progId), c.description);
        EXPECT_EQ(Value(progId + L"\\CLSID"), clsid);
        EXPECT_EQ(Value(independent), c.description);
        EXPECT_EQ(Value(independent + L"\\CLSID"), clsid);
        EXPECT_EQ(Value(independent + L"\\CurVer"), progId);
        EXPECT_EQ(Value(key), c.description);
        EXPECT_EQ(Value(key + L"\\ProgID"), progId);
        EXPECT_EQ(Value(key + L"\\VersionIndependentProgID"), independent);
        EXPECT_TRUE(KeyExists(key + L"\\Programmable"));
        EXPECT_EQ(_wcsicmp(Value(key + L"\\InprocServer32").c_str(), DllPath().c_str()), 0)
            << Value(key + L"\\InprocServer32");
        EXPECT_EQ(Value(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(Value(key + L"\\TypeLib"), Guid(LIBID_QUILLFENLib));
    }
    EXPECT_TRUE(BankIsInCategory());

    CLSID resolved = {};
    ASSERT_EQ(CLSIDFromProgID(L"Quillfen.BankStatementService", &resolved), S_OK);
    EXPECT_TRUE(IsEqualCLSID(resolved, CLSID_BankStatementService));
    EXPECT_TRUE(KeyExists(L"TypeLib\\" + Guid(LIBID_QUILLFENLib)));
}

TEST_F(Registration, RegisteringAgainRemovesStaleSubkeys)
{
    ASSERT_EQ(reg(), S_OK);
    const std::wstring key = L"CLSID\\" + Guid(CLSID_BankPaymentService);
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (key + L"\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(reg(), S_OK);
    EXPECT_FALSE(KeyExists(key + L"\\Stale"));
    EXPECT_EQ(Value(key + L"\\ProgID"), L"Quillfen.BankPaymentService.1");
}

TEST_F(Registration, UnregisteringRemovesEverything)
{
    ASSERT_EQ(reg(), S_OK);
    ASSERT_EQ(unreg(), S_OK);
    for (const Expected& c : kClasses) {
        EXPECT_FALSE(KeyExists(std::wstring(L"Quillfen.") + c.name + L".1"));
        EXPECT_FALSE(KeyExists(std::wstring(L"Quillfen.") + c.name));
        EXPECT_FALSE(KeyExists(L"CLSID\\" + Guid(*c.clsid)));
    }
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_FALSE(BankIsInCategory());
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + Guid(LIBID_QUILLFENLib)));
    const HRESULT again = unreg();
    EXPECT_EQ(again, S_OK) << "unregistering twice is harmless: " << std::hex << again;
}
