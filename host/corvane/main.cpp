// corvane.exe: a small host program that uses Quillfen.dll the way the
// accounting application does. It creates "Quillfen.Bank" by ProgID, walks
// its services, picks one through Item and runs it with host objects built
// from the command line's files.
#include <cstdio>
#include <string>
#include <vector>

#include "host/corvane/account_check_command.h"
#include "host/corvane/command_line.h"
#include "host/corvane/component_version.h"
#include "host/corvane/console_text.h"
#include "host/corvane/holidays_command.h"
#include "host/corvane/paid_command.h"
#include "host/corvane/pay_command.h"
#include "host/corvane/statement_command.h"

using namespace corvane;

namespace {

const char kUsage[] =
    "usage:\n"
    "  corvane pay PAYMENTS.csv [--layout standard|template|bulklist|adhoc] [--date DD/MM/YYYY]\n"
    "              [--template NAME] [--benref REF] [--iat ROWS] [--out PATH]\n"
    "              [--account SORTCODE:ACCOUNT] [--account-check write|stop]\n"
    "              [--paid-before leave-out|pay|stop]\n"
    "              [--interactive] [--json]\n"
    "  corvane statement FILE [--account SORTCODE:ACCOUNT] [--csv | --json] [--interactive]\n"
    "                    [--already-imported new|all|none]\n"
    "  corvane statement --forget --account SORTCODE:ACCOUNT\n"
    "  corvane paid --account SORTCODE:ACCOUNT [--forget]\n"
    "  corvane holidays [YEAR]\n"
    "  corvane holidays --next [DD/MM/YYYY]\n"
    "  corvane account-check SORTCODE ACCOUNT\n"
    "  corvane account-check --csv FILE|-\n"
    "  corvane --version\n"
    "  corvane --help | -h | /?\n"
    "Options take their value as --opt VALUE or --opt=VALUE.\n"
    "\n"
    "pay        exports a batch of payments through the bank's payment service and\n"
    "           prints the outcome, each payment's status and the file written.\n"
    "           PAYMENTS.csv: comma-separated, quoted fields as usual, in UTF-8 (with\n"
    "           or without a byte order mark) or else Windows-1252; the encoding\n"
    "           used is printed. Its header row names the payment's properties in\n"
    "           any order (Amount, PayerBACSReference, PayerSortCode,\n"
    "           PayerAccountNumber, PayerAccountName, PayerRollNumber,\n"
    "           PayeeBACSReference, PayeeSortCode, PayeeAccountNumber,\n"
    "           PayeeAccountName, PayeeRollNumber, Reference, Details, Currency,\n"
    "           StatusCode); Amount in pounds, e.g. 1234.56.\n"
    "  --layout       the layout chosen in the options dialog (default standard)\n"
    "  --date         the processing date (default: the one the dialog proposes)\n"
    "  --template     the Bankline template (template and bulklist layouts)\n"
    "  --benref       the beneficiary reference (bulklist and adhoc layouts)\n"
    "  --iat          zero-based rows to mark as IATs, e.g. 0,3 (standard and template)\n"
    "  --out          the file to save (default: the one the save dialog proposes);\n"
    "                 the characters \" < > | ? * and control characters are refused\n"
    "  --account      the paying account (default: no bank record)\n"
    "  --account-check  the answer when the options dialog asks whether to write a\n"
    "                 file with account numbers that fail the account check:\n"
    "                 write (default) or stop (nothing is written, Status 3);\n"
    "                 each failing payee is printed before the run\n"
    "  --paid-before  the answer when the options dialog asks about payments written\n"
    "                 to a payment file before (or twice in the batch): leave-out\n"
    "                 (default; they carry status code 36), pay (write them again)\n"
    "                 or stop (nothing is written, Status 3)\n"
    "  --interactive  you answer the dialogs; otherwise an autopilot does, printing\n"
    "                 every message box it answers\n"
    "  --json         print the outcome as one JSON object (everything else goes to\n"
    "                 standard error)\n"
    "statement  imports a Bankline statement file through the reconciliation\n"
    "           service and prints the lines the statement received.\n"
    "  --account      the account being reconciled (default: no bank record)\n"
    "  --csv          print the lines as CSV (everything else goes to standard error)\n"
    "  --json         print the outcome and the lines as one JSON object\n"
    "  --interactive  you answer the component's message boxes\n"
    "  --already-imported  when some lines were imported before, import only the\n"
    "                 new ones (new, the default), all of them again (all) or\n"
    "                 nothing (none); the new and passed-over lines are counted\n"
    "                 (all and none need a display once lines were imported for\n"
    "                 the account: the component asks in a message box)\n"
    "  --forget       forget which lines were imported for the account, so that\n"
    "                 the next import takes every line again\n"
    "paid       lists the payment files the component remembers writing from the\n"
    "           account (when, the processing date, the layout, how many\n"
    "           payments, the file's name); --forget empties that record.\n"
    "holidays   prints the year's bank holidays (default: this year) as the\n"
    "           component sees them, one a line: the date, the day and where it\n"
    "           comes from (rule, built-in list, user added), and the days the\n"
    "           user removed. The user's changes are read from section\n"
    "           [Bank Holidays] of BANKSERV.INI, keys Add and Remove.\n"
    "  --next     prints the proposed crediting date for payments submitted on\n"
    "             the date (default: today)\n"
    "account-check  checks sort code and account number pairs by the UK modulus\n"
    "           rules, as the payment run does: prints SORTCODE ACCOUNT and valid,\n"
    "           invalid or unchecked (no rule for the sort code), then the methods\n"
    "           and exception rule applied. Dashes and spaces are removed; the pair\n"
    "           must then be 6 and 8 digits. Exits 1 for invalid.\n"
    "  --csv      reads lines SORTCODE,ACCOUNT from FILE (- for standard input) and\n"
    "             writes CSV sort_code,account_number,result,detail, one line per\n"
    "             input line; a line that is no pair gives result error. Exits 1\n"
    "             when a pair is invalid or a line an error.\n"
    "--version  prints this program's version and the registered component's.\n"
    "\n"
    "exit codes (every command):\n"
    "  0  everything done: the file written and every payment passed its checks;\n"
    "     the statement imported with at least one line and nothing skipped\n"
    "  1  done with problems: some payments failed their checks; lines skipped or\n"
    "     no line for the account (as far as the program can tell)\n"
    "  2  a usage or input error; nothing was asked of the component\n"
    "  3  nothing (or not all) written or imported: Status 2 or 3, the date\n"
    "     refused, more than 4000 payments, not a statement file, no dialog shown,\n"
    "     or the component's call failed\n";

int AccountCheckCommand(const std::vector<std::wstring>& arguments) { return RunAccountCheck(arguments); }

int HolidaysCommand(const std::vector<std::wstring>& arguments)
{
    std::vector<std::string> args;
    for (const std::wstring& a : arguments)
        args.push_back(WideToUtf8(a));
    return RunHolidays(args);
}

// Each command reads its own arguments (those after its name) with an
// OptionReader and returns one of the exit codes of command_line.h; a new
// command is one more line here and its lines in kUsage.
struct Command {
    const char* name;
    int (*run)(const std::vector<std::wstring>& arguments);
};
const Command kCommands[] = {
    {"pay", PayCommand},
    {"statement", StatementCommand},
    {"holidays", HolidaysCommand},
    {"account-check", AccountCheckCommand},
    {"paid", PaidCommand},
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("no command given");
    for (const std::wstring& a : args)
        if (IsHelpRequest(a) || args[0] == L"help") {
            WriteText(stdout, kUsage);
            return kExitDone;
        }
    if (args[0] == L"--version")
        return args.size() == 1 ? PrintVersions() : UsageError("--version takes no arguments");
    const std::vector<std::wstring> rest(args.begin() + 1, args.end());
    for (const Command& command : kCommands)
        if (args[0] == Utf8ToWide(command.name))
            return command.run(rest);
    if (!args[0].empty() && args[0][0] == L'-')
        return UsageError("unknown option '" + WideToUtf8(args[0]) + "'");
    return UsageError("unknown command '" + WideToUtf8(args[0]) + "'");
}
