// Machine-wide settings of the component: text values in section "MIGRATED"
// of BANKSERV.INI, kept in "CORVANE\Corvane EBanking" below the all-users
// application data folder and shared with the rest of the banking framework.
#pragma once
#include <windows.h>

#include <string>

#include "text/cstring.h"

namespace qf {

// Full path of the settings file; "" while the application data folder
// cannot be named (asked again on the next call). Once known, the path is
// kept for the life of the process and its folder has been created.
const char* GetSettingsFilePath();

// Copies the value of key into buffer (size counts the terminating zero; a
// longer value is cut to size - 1 characters). True for a non-empty value;
// otherwise false with buffer holding "" (when size allows).
bool ReadSetting(const char* key, char* buffer, DWORD size);

// The value of key, at most 258 characters like every reader of these
// settings. value is left as it was when ReadSetting would return false, so a
// caller's default survives a missing or empty value.
bool ReadSetting(const char* key, CString& value);

// Stores value under key, creating the file, the section and the key as
// needed. False when the system reports failure or there is no settings path.
bool WriteSetting(const char* key, const char* value);

// The user's own bank holiday changes: the texts of keys "Add" and "Remove"
// in section "Bank Holidays", whole however long they are; "" where missing.
// The texts are not interpreted here.
struct BankHolidayLists {
    std::string add, remove;
};
BankHolidayLists ReadBankHolidayLists();

// The whole value of key in section, however long. False, and value "", for
// a missing or empty value or when there is no settings path.
bool ReadSettingText(const char* section, const char* key, std::string& value);

namespace detail {
// Forgets the cached path, so that the next call looks the folder up again.
// For tests: the path is otherwise computed once per process.
void ForgetSettingsFilePath();
} // namespace detail

} // namespace qf
