// What every command of corvane.exe shares: its exit codes, how a usage
// error is reported, and the reading of its options.
#pragma once
#include <string>
#include <vector>

namespace corvane {

// The exit codes of every command; scripts rely on them, so the README and
// --help list the same table.
enum ExitCode {
    kExitDone = 0,     // everything done
    kExitProblems = 1, // done, with problems that the output names
    kExitInput = 2,    // a usage or input error: nothing was asked of the component
    kExitNotDone = 3,  // nothing (or not all) written or imported, or the component's call failed
};

// Prints "corvane: MESSAGE" and the pointer to --help on standard error.
int UsageError(const std::string& message);
// Prints "corvane: MESSAGE" on standard error and returns exitCode.
int Report(const std::string& message, int exitCode);
// The same for an input error (exit 2): nothing was asked of the component.
inline int InputError(const std::string& message) { return Report(message, kExitInput); }

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// Walks a command's arguments (those after the command's name). Options are
// --name VALUE or --name=VALUE; anything not starting with '-' is an operand.
//
//   OptionReader args(arguments);
//   while (args.Next()) {
//       if (args.Is("--year")) { if (!args.Value(v)) return args.Error(); ... }
//       else if (args.IsFlag("--next")) ...
//       else if (args.IsOperand()) ...
//       else return args.Unknown();
//   }
//   if (args.Failed()) return args.Error();
class OptionReader {
public:
    explicit OptionReader(const std::vector<std::wstring>& args) : m_args(args) {}

    // Moves to the next argument; false after the last one.
    bool Next();
    // The argument is option name, with or without "=VALUE".
    bool Is(const char* name) const;
    // The argument is option name without a value ("--csv=yes" is an error,
    // which Error reports).
    bool IsFlag(const char* name);
    bool IsOperand() const;
    // The option's value (after '=' or the next argument), as UTF-8 or wide.
    // False when there is none; Error then says so.
    bool Value(std::string& value);
    bool Value(std::wstring& value);
    // The argument as given.
    const std::wstring& Current() const { return m_args[m_index]; }
    std::string CurrentUtf8() const { return WideToUtf8(Current()); }

    bool Failed() const { return !m_error.empty(); }
    // Reports the reading's error as a usage error (exit 2).
    int Error() const { return UsageError(m_error); }
    // Reports the argument as an unknown option or a surplus operand.
    int Unknown() const;

private:
    std::wstring Name() const; // the option's name without "=VALUE"

    const std::vector<std::wstring>& m_args;
    std::size_t m_index = static_cast<std::size_t>(-1);
    bool m_consumedNext = false;
    std::string m_error;
};

// Whether an argument asks for the help: --help, -h or /?.
bool IsHelpRequest(const std::wstring& arg);

} // namespace corvane
