#include "settings/settings_store.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "platform/win/win32_services.h"

namespace qf {
namespace {

const char kSection[] = "MIGRATED";
const char kFolder[] = "CORVANE\\Corvane EBanking";
const char kFileName[] = "BANKSERV.INI";

// Cached for the process; the host calls us on one thread only.
char g_path[MAX_PATH];
bool g_pathKnown = false;

// The settings path, or null while it cannot be named. An empty path must
// never reach the profile functions: they would take it for a file of their
// own choosing (win.ini or one in the Windows folder).
const char* SettingsFile()
{
    const char* path = GetSettingsFilePath();
    return *path ? path : nullptr;
}

} // namespace

const char* GetSettingsFilePath()
{
    if (g_pathKnown)
        return g_path;

    std::string appData;
    if (!platform::KnownFolder(CSIDL_COMMON_APPDATA, appData) || appData.empty())
        return g_path;
    // The folder, a backslash, the subfolder, a backslash and the file name
    // must fit in MAX_PATH with the terminating zero; a longer path is no
    // path at all rather than a cut one.
    const size_t needed = appData.size() + 1 + (sizeof kFolder - 1) + 1 + (sizeof kFileName - 1);
    if (needed >= MAX_PATH)
        return g_path;

    char folder[MAX_PATH];
    std::memcpy(folder, appData.c_str(), appData.size() + 1);
    if (!PathAppendA(folder, kFolder))
        return g_path;
    // Creates every missing parent too. When this fails the writes fail
    // later and report it; reads simply find nothing.
    SHCreateDirectoryExA(nullptr, folder, nullptr);

    char file[MAX_PATH];
    std::memcpy(file, folder, sizeof folder);
    if (!PathAppendA(file, kFileName))
        return g_path;
    std::memcpy(g_path, file, sizeof file);
    g_pathKnown = true;
    return g_path;
}

bool ReadSetting(const char* key, char* buffer, DWORD size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = '\0';
    // A null key would list the section's key names instead of one value.
    const char* file = SettingsFile();
    if (!key || !file)
        return false;
    return GetPrivateProfileStringA(kSection, key, "", buffer, size, file) > 0;
}

bool ReadSetting(const char* key, CString& value)
{
    // Every reader uses a MAX_PATH buffer and passes one less as its size,
    // so values come back with at most 258 characters.
    char buffer[MAX_PATH];
    if (!ReadSetting(key, buffer, MAX_PATH - 1))
        return false;
    value = buffer;
    return true;
}

bool WriteSetting(const char* key, const char* value)
{
    // A null key would delete the whole section, a null value the key.
    const char* file = SettingsFile();
    if (!key || !value || !file)
        return false;
    return WritePrivateProfileStringA(kSection, key, value, file) != FALSE;
}

bool ReadSettingText(const char* section, const char* key, std::string& value)
{
    value.clear();
    const char* file = SettingsFile();
    if (!section || !key || !file)
        return false;
    // The profile functions cut a value to the buffer and say so only by
    // filling it to size - 1: grow until the value fits with room to spare.
    // The ceiling keeps a damaged file from taking all memory.
    const DWORD kCeiling = 64u << 20;
    for (DWORD size = 1024;; size *= 2) {
        std::string buffer(size, '\0');
        const DWORD copied = GetPrivateProfileStringA(section, key, "", &buffer[0], size, file);
        if (copied < size - 1 || size >= kCeiling) {
            value.assign(buffer.data(), copied);
            return copied > 0;
        }
    }
}

BankHolidayLists ReadBankHolidayLists()
{
    BankHolidayLists lists;
    ReadSettingText("Bank Holidays", "Add", lists.add);
    ReadSettingText("Bank Holidays", "Remove", lists.remove);
    return lists;
}

namespace detail {
void ForgetSettingsFilePath()
{
    g_path[0] = '\0';
    g_pathKnown = false;
}
} // namespace detail

} // namespace qf
