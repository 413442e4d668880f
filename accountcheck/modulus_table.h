// The modulus weight table that the account check works from: the built-in
// copy of the published tables, or one read from files of the same form.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "accountcheck/modulus_table_data.h"

namespace qf {

// Why a table file was refused: the first line that does not parse (1-based)
// and what is wrong with it; line 0 for a fault of the file as a whole.
struct TableProblem {
    std::size_t line = 0;
    std::string reason;
};

class ModulusTable {
public:
    // The published tables as built in (see modulus_table_data.h).
    static const ModulusTable& BuiltIn();

    ModulusTable() = default;
    ModulusTable(std::vector<ModulusRow> rows, std::vector<SortCodeSubstitution> substitutions);

    // The rows that cover sortCode, in the order of the table: none, one or
    // two (a sort code with two rows has two checks).
    struct Rows {
        const ModulusRow* row[2] = {nullptr, nullptr};
        int count = 0;
    };
    Rows Find(std::int32_t sortCode) const;

    // The sort code that replaces sortCode in the check of exception 5, or
    // sortCode itself when the substitution table does not list it.
    std::int32_t Substitute(std::int32_t sortCode) const;

    const std::vector<ModulusRow>& AllRows() const { return m_rows; }

private:
    void Index();

    std::vector<ModulusRow> m_rows;                     // in table order
    std::vector<SortCodeSubstitution> m_substitutions;  // by original sort code
    std::vector<std::uint32_t> m_byFirst;               // row indexes by first sort code
    std::vector<std::int32_t> m_reach;                  // largest last sort code up to each m_byFirst entry
};

// The parsers of the two files' texts (as published: fields separated by
// spaces, lines by CR LF or LF). Every line must parse, since a table only
// partly understood would call good accounts bad or bad ones good; blank
// lines are passed over. A weight table whose ranges cover a sort code more
// than twice, or a file without a single row, is refused too. False with
// problem set otherwise, the output then being unspecified.
bool ParseModulusRows(const std::string& text, std::vector<ModulusRow>& rows, TableProblem& problem);
bool ParseSubstitutions(const std::string& text, std::vector<SortCodeSubstitution>& substitutions,
                        TableProblem& problem);

} // namespace qf
