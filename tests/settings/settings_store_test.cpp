#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/win/win32_services.h"

using namespace qf;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Removes what the store creates below an application data folder.
void RemoveFolders(const std::string& appData, bool corvane = true)
{
    RemoveDirectoryA((appData + "\\CORVANE\\Corvane EBanking").c_str());
    if (corvane)
        RemoveDirectoryA((appData + "\\CORVANE").c_str());
}

// The application data folder as a test wants it: somewhere else, or unknown.
std::string g_appData;
bool g_appDataUnknown = false;
int g_lookups = 0;

bool SteeredFolder(int csidl, std::string& path)
{
    ++g_lookups;
    if (csidl != CSIDL_COMMON_APPDATA || g_appDataUnknown)
        return false;
    path = g_appData;
    return true;
}

// Every test starts with no settings file in the prefix's real all-users
// application data folder and leaves the prefix as it found it: a file that
// was there is put back byte for byte, folders the test created are removed.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        detail::ForgetSettingsFilePath();
        char folder[MAX_PATH] = {};
        ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)));
        appData_ = folder;
        file_ = appData_ + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI";
        hadCorvane_ = Exists(appData_ + "\\CORVANE");
        hadFolder_ = Exists(appData_ + "\\CORVANE\\Corvane EBanking");
        hadFile_ = Exists(file_);
        if (hadFile_) {
            saved_ = ReadFile(file_);
            ForgetFile();
        }
    }

    void TearDown() override
    {
        platform::SetKnownFolderLookup(nullptr);
        detail::ForgetSettingsFilePath();
        ForgetFile();
        if (hadFile_)
            std::ofstream(file_, std::ios::binary) << saved_;
        if (!hadFolder_)
            RemoveFolders(appData_, !hadCorvane_);
    }

    // Deletes the file. The profile functions keep recently used files in
    // memory: they are told to drop it first, or they would go on reading it.
    void ForgetFile()
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file_.c_str());
        DeleteFileA(file_.c_str());
    }

    void SteerAppData(bool unknown, const std::string& folder)
    {
        g_appDataUnknown = unknown;
        g_appData = folder;
        g_lookups = 0;
        platform::SetKnownFolderLookup(SteeredFolder);
        detail::ForgetSettingsFilePath();
    }

    std::string appData_, file_, saved_;
    bool hadCorvane_ = false, hadFolder_ = false, hadFile_ = false;
};

} // namespace

TEST_F(SettingsStoreTest, NoFileLeavesCallersTextUnchanged)
{
    CString templateName = "previous template";
    CString benRef = "default ref";
    EXPECT_FALSE(ReadSetting("RBSBanklineTemplate12345612345678", templateName));
    EXPECT_FALSE(ReadSetting("RBSBanklineBenRef12345612345678", benRef));
    EXPECT_EQ(templateName, "previous template");
    EXPECT_EQ(benRef, "default ref");

    char buffer[MAX_PATH];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(ReadSetting("RBSBanklineTemplate", buffer, MAX_PATH - 1));
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(std::string(GetSettingsFilePath()), file_);
    EXPECT_FALSE(Exists(file_)); // reads never create the file
}

TEST_F(SettingsStoreTest, WriteCreatesFileSectionAndKeyAndReplacesValue)
{
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate601613_31926819", "Supplier run"));
    ASSERT_TRUE(WriteSetting("RBSBanklineBenRef601613_31926819", "ACME LTD"));
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate601613_31926819", "Payroll"));
    EXPECT_EQ(ReadFile(file_), "[MIGRATED]\r\nRBSBanklineTemplate601613_31926819=Payroll\r\n"
                               "RBSBanklineBenRef601613_31926819=ACME LTD\r\n");
}

TEST_F(SettingsStoreTest, KeysDifferingOnlyInCaseAddressOneValue)
{
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate601613_AB12", "first"));
    ASSERT_TRUE(WriteSetting("rbsbanklinetemplate601613_ab12", "second"));
    CString value;
    EXPECT_TRUE(ReadSetting("RBSBANKLINETEMPLATE601613_AB12", value));
    EXPECT_EQ(value, "second");
    EXPECT_EQ(ReadFile(file_), "[MIGRATED]\r\nRBSBanklineTemplate601613_AB12=second\r\n");
}

TEST_F(SettingsStoreTest, LongValuesComeBackCutToTheReadersBuffer)
{
    std::string stored(300, ' ');
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<char>('A' + i % 26);
    ASSERT_TRUE(WriteSetting("RBSBanklineBenRef", stored.c_str()));

    CString value;
    EXPECT_TRUE(ReadSetting("RBSBanklineBenRef", value));
    EXPECT_EQ(std::string(value.c_str()), stored.substr(0, 258));

    // A caller's own size is honoured, and nothing is written past it.
    char small[12];
    std::memset(small, '#', sizeof small);
    EXPECT_TRUE(ReadSetting("RBSBanklineBenRef", small, 8));
    EXPECT_EQ(std::string(small, sizeof small), std::string("ABCDEFG\0####", 12));
}

// The bank holiday lists are read whole however long they grow: lengths
// around the first buffer's size, and one far past it.
TEST_F(SettingsStoreTest, BankHolidayListsAreReadWholeAtAnyLength)
{
    BankHolidayLists lists = ReadBankHolidayLists();
    EXPECT_EQ(lists.add, "");
    EXPECT_EQ(lists.remove, "");

    const std::string file = GetSettingsFilePath();
    for (std::size_t length : {1u, 1022u, 1023u, 1024u, 2047u, 2048u, 300000u}) {
        SCOPED_TRACE(length);
        std::string add(length, ' ');
        for (std::size_t i = 0; i < length; ++i)
            add[i] = "0123456789/, "[i % 13];
        add.front() = add.back() = '1'; // the profile functions trim spaces at either end
        // Written as a user's editor would: Wine's own writer mangles values
        // of 64 KiB and more.
        ForgetFile();
        std::ofstream(file, std::ios::binary) << "[Bank Holidays]\r\nAdd=" << add << "\r\nRemove=01/06/2022\r\n";
        lists = ReadBankHolidayLists();
        EXPECT_EQ(lists.add.size(), add.size());
        EXPECT_TRUE(lists.add == add);
        EXPECT_EQ(lists.remove, "01/06/2022");
    }
    // Section and keys are found whatever their case; the other section is untouched.
    ASSERT_TRUE(WriteSetting("Add", "not a holiday"));
    ASSERT_TRUE(WritePrivateProfileStringA("Bank Holidays", nullptr, nullptr, file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("BANK HOLIDAYS", "ADD", "23/04/2030", file.c_str()));
    lists = ReadBankHolidayLists();
    EXPECT_EQ(lists.add, "23/04/2030");
    EXPECT_EQ(lists.remove, "");

    std::string value = "left over";
    EXPECT_FALSE(ReadSettingText("Bank Holidays", "Remove", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ReadSettingText(nullptr, "Add", value));
    EXPECT_FALSE(ReadSettingText("Bank Holidays", nullptr, value));
}

TEST_F(SettingsStoreTest, EmptyValueReadsLikeAMissingKey)
{
    ASSERT_TRUE(WriteSetting("RBSBanklineTemplate", ""));
    EXPECT_EQ(ReadFile(file_), "[MIGRATED]\r\nRBSBanklineTemplate=\r\n");
    CString value = "kept";
    EXPECT_FALSE(ReadSetting("RBSBanklineTemplate", value));
    EXPECT_EQ(value, "kept");
}

TEST_F(SettingsStoreTest, AccountSuffixesKeepValuesApart)
{
    const char* const keys[] = {"RBSBanklineTemplate601613_31926819", "RBSBanklineTemplate601614_31926819",
                                "RBSBanklineTemplate601613_31926820", "RBSBanklineTemplate"};
    for (const char* key : keys)
        ASSERT_TRUE(WriteSetting(key, (std::string("for ") + key).c_str()));
    for (const char* key : keys) {
        CString value;
        EXPECT_TRUE(ReadSetting(key, value)) << key;
        EXPECT_EQ(std::string(value.c_str()), std::string("for ") + key);
    }
    CString value = "unset";
    EXPECT_FALSE(ReadSetting("RBSBanklineBenRef601613_31926819", value));
    EXPECT_EQ(value, "unset");
}

TEST_F(SettingsStoreTest, FirstReadCreatesTheFolderWithItsMissingParents)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string appData = std::string(temp) + "qf-appdata-" + std::to_string(GetCurrentProcessId());
    ASSERT_FALSE(Exists(appData));
    SteerAppData(false, appData);

    CString value;
    EXPECT_FALSE(ReadSetting("RBSBanklineTemplate", value));
    EXPECT_TRUE(Exists(appData + "\\CORVANE\\Corvane EBanking"));
    EXPECT_FALSE(Exists(appData + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI"));
    EXPECT_EQ(std::string(GetSettingsFilePath()), appData + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI");
    EXPECT_EQ(g_lookups, 1); // kept once found

    RemoveFolders(appData);
    EXPECT_TRUE(RemoveDirectoryA(appData.c_str()));
}

// Without a usable application data folder nothing may be read or written:
// an empty or cut file name would send the profile functions to a file of
// someone else's choosing.
TEST_F(SettingsStoreTest, NoAppDataFolderMeansNoReadsOrWritesAndIsAskedAgain)
{
    // With the subfolder and file name this is one character over MAX_PATH - 1.
    const std::string tooLong = "C:\\qf-" + std::string(216, 'd');
    for (const std::string& appData : {std::string(), tooLong}) {
        SCOPED_TRACE(appData.size());
        SteerAppData(appData.empty(), appData);

        EXPECT_FALSE(WriteSetting("QuillfenOrphanKey", "nowhere"));
        char buffer[MAX_PATH];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_FALSE(ReadSetting("QuillfenOrphanKey", buffer, MAX_PATH - 1));
        EXPECT_STREQ(buffer, "");
        EXPECT_STREQ(GetSettingsFilePath(), "");
        EXPECT_EQ(g_lookups, 3); // not cached: every call asks again
    }
    EXPECT_FALSE(Exists(tooLong)); // no folder made for a path that cannot be used
    RemoveFolders(tooLong);
    RemoveDirectoryA(tooLong.c_str());

    // Once the folder can be named, the store works.
    platform::SetKnownFolderLookup(nullptr);
    EXPECT_TRUE(WriteSetting("RBSBanklineTemplate", "found"));
    CString value;
    EXPECT_TRUE(ReadSetting("RBSBanklineTemplate", value));
    EXPECT_EQ(value, "found");
}
