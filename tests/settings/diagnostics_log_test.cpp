// The diagnostics log's own rules: when it is on and where it goes, the size
// cap with one previous file, masking, and a run's entry collecting the debug
// output. The runs' entries are checked end to end in the payment run and
// statement import tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "settings/diagnostics_log.h"
#include "settings/settings_store.h"
#include "tests/support/diagnostics_ini.h"

using namespace qf;
using namespace qf::diagnostics;
using qf::test::DiagnosticsIni;
using qf::test::ReadWholeFile;

namespace {

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TempFile(const char* name)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "qf_diagnostics_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".1").c_str());
    return path;
}

platform::LocalTime FixedClock() { return {2026, 12, 8, 9, 5, 7, 0}; }

std::string g_sunk;
void Sink(const char* text) { g_sunk += text; }

class DiagnosticsLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousClock = platform::SetClock(&FixedClock);
        previousSink = platform::SetDebugSink(&Sink);
        g_sunk.clear();
        ASSERT_NE(*GetSettingsFilePath(), '\0');
    }
    void TearDown() override
    {
        platform::SetClock(previousClock);
        platform::SetDebugSink(previousSink);
    }
    platform::ClockFn previousClock = nullptr;
    platform::DebugSinkFn previousSink = nullptr;
};

TEST_F(DiagnosticsLog, SwitchedOnOnlyByOneTrueOrYes)
{
    for (const char* on : {"1", "true", "yes", "YES", " True ", "Yes"}) {
        DiagnosticsIni ini(on);
        EXPECT_TRUE(ReadLogSettings().enabled) << '"' << on << '"';
    }
    for (const char* off : {"0", "no", "false", "", "2", "on", "yes please"}) {
        DiagnosticsIni ini(off);
        EXPECT_FALSE(ReadLogSettings().enabled) << '"' << off << '"';
    }
    DiagnosticsIni none(nullptr, "C:\\elsewhere.log");
    EXPECT_FALSE(ReadLogSettings().enabled) << "a log file alone does not switch it on";
}

TEST_F(DiagnosticsLog, LivesBesideTheSettingsUnlessLogFileSaysOtherwise)
{
    const std::string folder = Folder(GetSettingsFilePath());
    {
        DiagnosticsIni ini("1");
        EXPECT_EQ(ReadLogSettings().path, folder + "Quillfen.log");
    }
    {
        DiagnosticsIni ini("1", "support\\run.log");
        EXPECT_EQ(ReadLogSettings().path, folder + "support\\run.log");
    }
    {
        DiagnosticsIni ini("1", "D:\\logs\\quillfen.txt");
        EXPECT_EQ(ReadLogSettings().path, "D:\\logs\\quillfen.txt");
    }
}

TEST_F(DiagnosticsLog, KeepsBelowTheCapWithOnePreviousFile)
{
    const std::string path = TempFile("cap.log");
    const std::string a(600, 'a'), b(300, 'b'), c(500, 'c');
    EXPECT_TRUE(AppendToLog(path, a, 1000));
    EXPECT_TRUE(AppendToLog(path, b, 1000)) << "900 bytes still fit";
    EXPECT_EQ(ReadWholeFile(path), a + b);
    EXPECT_FALSE(Exists(path + ".1"));

    EXPECT_TRUE(AppendToLog(path, c, 1000)) << "1400 bytes do not: the full file moves aside";
    EXPECT_EQ(ReadWholeFile(path + ".1"), a + b);
    EXPECT_EQ(ReadWholeFile(path), c);

    EXPECT_TRUE(AppendToLog(path, a, 1000));
    EXPECT_EQ(ReadWholeFile(path + ".1"), c) << "only one previous file is kept";
    EXPECT_EQ(ReadWholeFile(path), a);

    EXPECT_TRUE(AppendToLog(path, std::string(1500, 'x'), 1000));
    EXPECT_EQ(ReadWholeFile(path), std::string(1000, 'x')) << "an entry larger than the cap is cut to it";
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".1").c_str());
}

TEST_F(DiagnosticsLog, AFileThatCannotBeWrittenIsReportedNotThrown)
{
    EXPECT_FALSE(AppendToLog(TempFile("missing-folder\\x.log"), "text"));
    // A run with the log pointed there runs and ends normally.
    DiagnosticsIni ini("yes", (TempFile("missing-folder") + "\\x.log").c_str());
    {
        RunLog log("payments");
        EXPECT_TRUE(log.On());
        log.Write("a line");
    }
    EXPECT_FALSE(Exists(TempFile("missing-folder")));
}

TEST_F(DiagnosticsLog, AnEntryCollectsTheRunsDebugOutput)
{
    const std::string path = TempFile("entry.log");
    DiagnosticsIni ini("1", path.c_str());
    {
        RunLog log("statement");
        log.Write("file %s", "C:\\x.csv");
        platform::DebugOutput("Failed to Open the file: ");
        platform::DebugOutput("C:\\x.csv");
        platform::DebugOutput("\n");
        platform::DebugOutput("File Stream is NOT open");
        EXPECT_EQ(ReadWholeFile(path), "") << "written when the run ends";
    }
    EXPECT_EQ(ReadWholeFile(path),
              "2026-12-08 09:05:07 statement: file C:\\x.csv\r\n"
              "2026-12-08 09:05:07 statement: debug: Failed to Open the file: C:\\x.csv\r\n"
              "2026-12-08 09:05:07 statement: debug: File Stream is NOT open\r\n");
    EXPECT_EQ(g_sunk, "Failed to Open the file: C:\\x.csv\nFile Stream is NOT open") << "and still to the debug output";

    // After the run the debug output goes to the debug output only.
    platform::DebugOutput("later\n");
    { RunLog next("payments"); }
    EXPECT_EQ(ReadWholeFile(path).find("later"), std::string::npos);
    DeleteFileA(path.c_str());
}

TEST_F(DiagnosticsLog, OffMeansNothingWrittenOrKept)
{
    const std::string path = TempFile("off.log");
    DiagnosticsIni ini("0", path.c_str());
    {
        RunLog log("payments");
        EXPECT_FALSE(log.On());
        log.Write("a line");
        platform::DebugOutput("a message\n");
    }
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(g_sunk, "a message\n");
}

TEST(DiagnosticsText, AccountsShowAtMostTheirLastFourCharacters)
{
    EXPECT_EQ(MaskedAccount("31926819"), "****6819");
    EXPECT_EQ(MaskedAccount("12345"), "****2345");
    EXPECT_EQ(MaskedAccount("1234"), "1234");
    EXPECT_EQ(MaskedAccount(""), "(none)");
    EXPECT_EQ(MaskedAccount(nullptr), "(none)");
}

} // namespace
