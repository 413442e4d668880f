// corvane.exe: a small host program that uses Quillfen.dll the way the
// accounting application does. It creates "Quillfen.Bank" by ProgID, walks
// its services, picks one through Item and runs it with host objects built
// from the command line's files.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "CorvaneHostTest.h"
#include "host/corvane/autopilot.h"
#include "host/corvane/csv.h"
#include "host/corvane/host_program.h"

using namespace corvane;

namespace {

const char kUsage[] =
    "usage:\n"
    "  corvane pay PAYMENTS.csv [--layout standard|template|bulklist|adhoc] [--date DD/MM/YYYY]\n"
    "              [--template NAME] [--benref REF] [--iat ROWS] [--out PATH]\n"
    "              [--account SORTCODE:ACCOUNT] [--interactive]\n"
    "  corvane statement FILE [--account SORTCODE:ACCOUNT] [--csv]\n"
    "\n"
    "pay        exports the payments of a CSV file (header row naming the payment's\n"
    "           properties) through the bank's payment service\n"
    "statement  imports a Bankline statement file through the reconciliation service\n"
    "\n"
    "exit codes: 0 the component's call succeeded, 1 it returned a failure,\n"
    "            2 a usage or input error\n";

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "corvane: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

bool ParseAccount(const std::string& text, std::wstring& sortCode, std::wstring& account)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    sortCode = Utf8ToWide(text.substr(0, colon));
    account = Utf8ToWide(text.substr(colon + 1));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string command = args[0];
    if (command != "pay" && command != "statement")
        return UsageError("unknown command '" + command + "'");

    Options options;
    std::string file;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--account") {
            if (!value(v) || !ParseAccount(v, options.sortCode, options.accountNumber))
                return UsageError("--account takes SORTCODE:ACCOUNT");
            options.haveAccount = true;
        } else if (command == "statement" && a == "--csv") {
            options.csv = true;
        } else if (command == "pay" && a == "--layout") {
            if (!value(v))
                return UsageError("--layout takes standard, template, bulklist or adhoc");
            const std::map<std::string, int> layouts = {{"standard", 0}, {"template", 1}, {"bulklist", 2}, {"adhoc", 3}};
            auto it = layouts.find(v);
            if (it == layouts.end())
                return UsageError("unknown layout '" + v + "'");
            options.layout = it->second;
        } else if (command == "pay" && a == "--date") {
            if (!value(v) || !ParseDate(v, options.date))
                return UsageError("--date takes a date as DD/MM/YYYY");
            options.haveDate = true;
        } else if (command == "pay" && a == "--template") {
            if (!value(v))
                return UsageError("--template takes a name");
            options.templateName = v;
        } else if (command == "pay" && a == "--benref") {
            if (!value(v))
                return UsageError("--benref takes a reference");
            options.benRef = v;
        } else if (command == "pay" && a == "--iat") {
            if (!value(v) || !ParseRows(v, options.iatRows))
                return UsageError("--iat takes zero-based row numbers separated by commas, e.g. 0,3");
        } else if (command == "pay" && a == "--out") {
            if (!value(v))
                return UsageError("--out takes a path");
            options.out = v;
        } else if (command == "pay" && a == "--interactive") {
            options.interactive = true;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("unknown option '" + a + "'");
        } else if (file.empty()) {
            file = a;
        } else {
            return UsageError("more than one file given");
        }
    }
    if (file.empty())
        return UsageError(command == "pay" ? "no payments file given" : "no statement file given");
    if (!options.iatRows.empty() && (options.layout == 2 || options.layout == 3))
        return UsageError("--iat applies to the standard and template layouts only (bulk layouts have no IATs)");

    return command == "pay" ? RunPay(file, options) : RunStatement(file, options);
}
