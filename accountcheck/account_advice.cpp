#include "accountcheck/account_advice.h"

#include <cctype>
#include <cstdio>

#include "platform/platform.h"

namespace qf {

const char kAccountCheckCaption[] = "Account Check";
const char kWeightTableFileName[] = "valacdos.txt";
const char kSubstitutionTableFileName[] = "scsubtab.txt";

namespace {

bool SameWord(const std::string& value, const char* word)
{
    std::size_t i = 0;
    for (; i < value.size() && word[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(value[i])) != std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return i == value.size() && !word[i];
}

std::string Trimmed(const std::string& value)
{
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

// The whole file; false when it cannot be opened or read.
bool ReadFile(const std::string& path, std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    text.clear();
    char buffer[8192];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    const bool read = !std::ferror(f);
    std::fclose(f);
    return read;
}

void Diagnose(const std::string& text) { platform::DebugOutput(("Quillfen: " + text + "\n").c_str()); }

ModulusTableInUse BuiltIn()
{
    ModulusTableInUse use;
    use.table = &ModulusTable::BuiltIn();
    use.description = std::string("built-in ") + detail::kBuiltInModulusVersion;
    return use;
}

std::string Refusal(const std::string& path, const TableProblem& problem)
{
    std::string text = path + (problem.line ? " line " + std::to_string(problem.line) + ": " : ": ") + problem.reason;
    return text + "; the built-in table " + detail::kBuiltInModulusVersion + " is used instead";
}

} // namespace

AccountCheckMode ParseAccountCheckMode(const std::string& value)
{
    const std::string mode = Trimmed(value);
    if (mode.empty() || SameWord(mode, "Warn"))
        return AccountCheckMode::Warn;
    if (SameWord(mode, "Off"))
        return AccountCheckMode::Off;
    Diagnose("BANKSERV.INI [Account Check] Mode: '" + mode.substr(0, 40) + "' is not Warn or Off; Warn is used");
    return AccountCheckMode::Warn;
}

ModulusTableInUse LoadModulusTable(const std::string& folder)
{
    const std::string weightPath = folder + kWeightTableFileName;
    std::string weightText;
    if (folder.empty() || !ReadFile(weightPath, weightText))
        return BuiltIn();
    std::vector<ModulusRow> rows;
    TableProblem problem;
    if (!ParseModulusRows(weightText, rows, problem)) {
        Diagnose(Refusal(weightPath, problem));
        return BuiltIn();
    }
    std::vector<SortCodeSubstitution> substitutions(
        detail::kBuiltInSubstitutions, detail::kBuiltInSubstitutions + detail::kBuiltInSubstitutionCount);
    const std::string substitutionPath = folder + kSubstitutionTableFileName;
    std::string substitutionText;
    if (ReadFile(substitutionPath, substitutionText) &&
        !ParseSubstitutions(substitutionText, substitutions, problem)) {
        Diagnose(Refusal(substitutionPath, problem));
        return BuiltIn();
    }
    ModulusTableInUse use;
    const std::size_t count = rows.size();
    use.owned = std::make_shared<const ModulusTable>(std::move(rows), std::move(substitutions));
    use.table = use.owned.get();
    use.description = weightPath + " (" + std::to_string(count) + " lines)";
    return use;
}

std::string DashedSortCode(const std::string& digits)
{
    if (digits.size() != 6)
        return digits;
    return digits.substr(0, 2) + "-" + digits.substr(2, 2) + "-" + digits.substr(4, 2);
}

std::string AccountWarningText(const std::vector<FailedAccount>& failed)
{
    const std::size_t kNamed = 10;
    std::string text = failed.size() == 1
                           ? "This account number does not fit its sort code:\r\n\r\n"
                           : "These account numbers do not fit their sort codes:\r\n\r\n";
    for (std::size_t i = 0; i < failed.size() && i < kNamed; ++i)
        text += failed[i].name + "   " + DashedSortCode(failed[i].sortCode) + "   " + failed[i].accountNumber + "\r\n";
    if (failed.size() > kNamed)
        text += "and " + std::to_string(failed.size() - kNamed) + " more\r\n";
    text += "\r\nThe UK modulus check says that no bank issues such an account number; payments to ";
    text += failed.size() == 1 ? "it" : "them";
    text += " are likely to be returned.\r\n\r\nWrite the payment file anyway?";
    return text;
}

} // namespace qf
