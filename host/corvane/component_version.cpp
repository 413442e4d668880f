#include "host/corvane/component_version.h"

#include <cstdio>
#include <vector>

#include "Quillfen.h"
#include "host/corvane/command_line.h"
#include "host/corvane/console_text.h"
#include "com/com_holders.h"

namespace corvane {

std::string FileVersionOf(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info || info->dwSignature != VS_FFI_SIGNATURE)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(info->dwFileVersionMS)),
                  static_cast<unsigned long>(LOWORD(info->dwFileVersionMS)),
                  static_cast<unsigned long>(HIWORD(info->dwFileVersionLS)),
                  static_cast<unsigned long>(LOWORD(info->dwFileVersionLS)));
    return text;
}

bool RegisteredServerPath(REFCLSID clsid, std::wstring& path)
{
    wchar_t guid[40] = {};
    if (StringFromGUID2(clsid, guid, 40) == 0)
        return false;
    const std::wstring subkey = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
    qf::RegKey k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(k.Get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes < sizeof(wchar_t))
        return false;
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(k.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        return false;
    path = value.data();
    if (type == REG_EXPAND_SZ) {
        const DWORD n = ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
        std::vector<wchar_t> expanded(n + 1, L'\0');
        if (n && ExpandEnvironmentStringsW(path.c_str(), expanded.data(), n + 1))
            path = expanded.data();
    }
    return !path.empty();
}

int PrintVersions()
{
    wchar_t self[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(sizeof self / sizeof self[0]));
    const std::string own = n ? FileVersionOf(self) : std::string();
    PrintText(stdout, "corvane.exe %s\n", own.empty() ? "unknown" : own.c_str());
    std::wstring server;
    if (!RegisteredServerPath(CLSID_Bank, server)) {
        PrintText(stdout, "Quillfen.dll not registered\n");
        std::fflush(stdout);
        return Report("Quillfen.Bank is not registered (regsvr32 Quillfen.dll)", kExitNotDone);
    }
    const std::string version = FileVersionOf(server);
    PrintText(stdout, "Quillfen.dll %s (%s)\n", version.empty() ? "unknown" : version.c_str(), WideToUtf8(server).c_str());
    std::fflush(stdout);
    if (version.empty())
        return Report("the registered " + WideToUtf8(server) + " has no version resource or cannot be read",
                      kExitNotDone);
    return kExitDone;
}

} // namespace corvane
