// corvane.exe: a small host program that uses Quillfen.dll the way the
// accounting application does. It creates "Quillfen.Bank" by ProgID, walks
// its services, picks one through Item and runs it with host objects built
// from the command line's files.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host/corvane/holidays_command.h"
#include "host/corvane/host_program.h"

using namespace corvane;

namespace {

const char kUsage[] =
    "usage:\n"
    "  corvane pay PAYMENTS.csv [--layout standard|template|bulklist|adhoc] [--date DD/MM/YYYY]\n"
    "              [--template NAME] [--benref REF] [--iat ROWS] [--out PATH]\n"
    "              [--account SORTCODE:ACCOUNT] [--interactive]\n"
    "  corvane statement FILE [--account SORTCODE:ACCOUNT] [--csv]\n"
    "  corvane --help\n"
    "\n"
    "pay        exports a batch of payments through the bank's payment service and\n"
    "           prints the outcome, each payment's status and the file written.\n"
    "           PAYMENTS.csv: UTF-8, comma-separated, quoted fields as usual; its\n"
    "           header row names the payment's properties in any order (Amount,\n"
    "           PayerBACSReference, PayerSortCode, PayerAccountNumber, PayerAccountName,\n"
    "           PayerRollNumber, PayeeBACSReference, PayeeSortCode, PayeeAccountNumber,\n"
    "           PayeeAccountName, PayeeRollNumber, Reference, Details, Currency,\n"
    "           StatusCode); Amount in pounds, e.g. 1234.56.\n"
    "  --layout       the layout chosen in the options dialog (default standard)\n"
    "  --date         the processing date (default: the one the dialog proposes)\n"
    "  --template     the Bankline template (template and bulklist layouts)\n"
    "  --benref       the beneficiary reference (bulklist and adhoc layouts)\n"
    "  --iat          zero-based rows to mark as IATs, e.g. 0,3 (standard and template)\n"
    "  --out          the file to save (default: the one the save dialog proposes)\n"
    "  --account      the paying account (default: no bank record)\n"
    "  --interactive  you answer the dialogs; otherwise an autopilot does, printing\n"
    "                 every message box it answers\n"
    "statement  imports a Bankline statement file through the reconciliation\n"
    "           service and prints the lines the statement received.\n"
    "  --account      the account being reconciled (default: no bank record)\n"
    "  --csv          print the lines as CSV\n"
    "\n"
    "exit codes: 0 the component's call returned S_OK or S_FALSE,\n"
    "            1 it returned anything else, or could not be made,\n"
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
    if (command == "holidays")
        return RunHolidays(std::vector<std::string>(args.begin() + 1, args.end()));
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
            if (!value(v))
                return UsageError("--date takes a date as DD/MM/YYYY");
            if (!ParseDate(v, options.date))
                return UsageError("--date: '" + v + "' is not a date as DD/MM/YYYY");
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
