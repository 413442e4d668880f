#include "accountcheck/modulus_table.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace qf {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The fields of each line, in order, with the line's number.
template <typename OnLine>
bool ForEachLine(const std::string& text, TableProblem& problem, OnLine onLine)
{
    std::size_t number = 0, pos = 0;
    while (pos < text.size()) {
        ++number;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> fields;
        std::size_t i = pos;
        while (i < end) {
            if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') {
                ++i;
                continue;
            }
            const std::size_t start = i;
            while (i < end && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
                ++i;
            fields.push_back(text.substr(start, i - start));
        }
        pos = end + 1;
        if (fields.empty())
            continue;
        std::string reason;
        if (!onLine(fields, number, reason)) {
            problem.line = number;
            problem.reason = reason;
            return false;
        }
    }
    return true;
}

bool ReadSortCode(const std::string& field, std::int32_t& value, std::string& reason)
{
    if (field.size() != 6 || !std::all_of(field.begin(), field.end(), IsDigit)) {
        reason = "'" + field.substr(0, 20) + "' is not a six-digit sort code";
        return false;
    }
    value = std::stoi(field);
    return true;
}

bool ReadWeight(const std::string& field, std::int16_t& value, std::string& reason)
{
    const std::size_t digits = field.size() - (field[0] == '-' ? 1 : 0);
    if (digits < 1 || digits > 3 || !std::all_of(field.end() - static_cast<std::ptrdiff_t>(digits), field.end(), IsDigit)) {
        reason = "weight '" + field.substr(0, 20) + "' is not a number from -999 to 999";
        return false;
    }
    value = static_cast<std::int16_t>(std::stoi(field));
    return true;
}

bool ReadRow(const std::vector<std::string>& fields, ModulusRow& row, std::string& reason)
{
    if (fields.size() != 17 && fields.size() != 18) {
        reason = std::to_string(fields.size()) + " fields, not 17 or 18";
        return false;
    }
    if (!ReadSortCode(fields[0], row.first, reason) || !ReadSortCode(fields[1], row.last, reason))
        return false;
    if (row.first > row.last) {
        reason = "the range ends before it begins";
        return false;
    }
    if (fields[2] == "MOD10")
        row.method = ModulusMethod::MOD10;
    else if (fields[2] == "MOD11")
        row.method = ModulusMethod::MOD11;
    else if (fields[2] == "DBLAL")
        row.method = ModulusMethod::DBLAL;
    else {
        reason = "'" + fields[2].substr(0, 20) + "' is not MOD10, MOD11 or DBLAL";
        return false;
    }
    for (int i = 0; i < 14; ++i)
        if (!ReadWeight(fields[static_cast<std::size_t>(3 + i)], row.weights[i], reason))
            return false;
    row.exception = 0;
    if (fields.size() == 18) {
        const std::string& e = fields[17];
        const bool number = !e.empty() && e.size() <= 2 && std::all_of(e.begin(), e.end(), IsDigit);
        const int value = number ? std::stoi(e) : 0;
        if (value < 1 || value > 14) {
            reason = "exception '" + e.substr(0, 20) + "' is not 1 to 14";
            return false;
        }
        row.exception = static_cast<std::uint8_t>(value);
    }
    return true;
}

} // namespace

bool ParseModulusRows(const std::string& text, std::vector<ModulusRow>& rows, TableProblem& problem)
{
    rows.clear();
    std::vector<std::size_t> lines;
    const bool read = ForEachLine(text, problem,
                                  [&](const std::vector<std::string>& fields, std::size_t line, std::string& reason) {
                                      ModulusRow row{};
                                      if (!ReadRow(fields, row, reason))
                                          return false;
                                      rows.push_back(row);
                                      lines.push_back(line);
                                      return true;
                                  });
    if (!read)
        return false;
    if (rows.empty()) {
        problem = {0, "holds no ranges"};
        return false;
    }
    // No sort code has more than two checks: sweep the ranges by their first
    // sort code, keeping the last sort codes of those still open.
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&rows](std::size_t a, std::size_t b) { return rows[a].first < rows[b].first; });
    std::priority_queue<std::int32_t, std::vector<std::int32_t>, std::greater<std::int32_t>> open;
    for (std::size_t i : order) {
        while (!open.empty() && open.top() < rows[i].first)
            open.pop();
        if (open.size() >= 2) {
            problem = {lines[i], "covers sort codes that two other ranges cover already"};
            return false;
        }
        open.push(rows[i].last);
    }
    problem = {};
    return true;
}

bool ParseSubstitutions(const std::string& text, std::vector<SortCodeSubstitution>& substitutions,
                        TableProblem& problem)
{
    substitutions.clear();
    const bool read = ForEachLine(text, problem, [&](const std::vector<std::string>& fields, std::size_t, std::string& reason) {
        if (fields.size() != 2) {
            reason = std::to_string(fields.size()) + " fields, not 2";
            return false;
        }
        SortCodeSubstitution s{};
        if (!ReadSortCode(fields[0], s.original, reason) || !ReadSortCode(fields[1], s.substitute, reason))
            return false;
        substitutions.push_back(s);
        return true;
    });
    if (!read)
        return false;
    if (substitutions.empty()) {
        problem = {0, "holds no substitutions"};
        return false;
    }
    return true;
}

ModulusTable::ModulusTable(std::vector<ModulusRow> rows, std::vector<SortCodeSubstitution> substitutions)
    : m_rows(std::move(rows)), m_substitutions(std::move(substitutions))
{
    Index();
}

void ModulusTable::Index()
{
    std::stable_sort(m_substitutions.begin(), m_substitutions.end(),
                     [](const SortCodeSubstitution& a, const SortCodeSubstitution& b) { return a.original < b.original; });
    m_byFirst.resize(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_byFirst[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(m_byFirst.begin(), m_byFirst.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return m_rows[a].first < m_rows[b].first; });
    m_reach.resize(m_rows.size());
    std::int32_t reach = -1;
    for (std::size_t i = 0; i < m_byFirst.size(); ++i)
        m_reach[i] = reach = std::max(reach, m_rows[m_byFirst[i]].last);
}

ModulusTable::Rows ModulusTable::Find(std::int32_t sortCode) const
{
    // The rows that begin at or before sortCode, searched backwards as long
    // as any of them reaches that far.
    const auto end = std::upper_bound(m_byFirst.begin(), m_byFirst.end(), sortCode,
                                      [this](std::int32_t code, std::uint32_t row) { return code < m_rows[row].first; });
    std::uint32_t found[2] = {};
    int count = 0;
    for (auto i = static_cast<std::size_t>(end - m_byFirst.begin()); i > 0 && m_reach[i - 1] >= sortCode && count < 2;
         --i) {
        const std::uint32_t row = m_byFirst[i - 1];
        if (m_rows[row].last >= sortCode)
            found[count++] = row;
    }
    if (count == 2 && found[0] > found[1])
        std::swap(found[0], found[1]);
    Rows rows;
    rows.count = count;
    for (int i = 0; i < count; ++i)
        rows.row[i] = &m_rows[found[i]];
    return rows;
}

std::int32_t ModulusTable::Substitute(std::int32_t sortCode) const
{
    const auto it = std::lower_bound(
        m_substitutions.begin(), m_substitutions.end(), sortCode,
        [](const SortCodeSubstitution& s, std::int32_t code) { return s.original < code; });
    return it != m_substitutions.end() && it->original == sortCode ? it->substitute : sortCode;
}

const ModulusTable& ModulusTable::BuiltIn()
{
    static const ModulusTable table(
        std::vector<ModulusRow>(detail::kBuiltInModulusRows, detail::kBuiltInModulusRows + detail::kBuiltInModulusRowCount),
        std::vector<SortCodeSubstitution>(detail::kBuiltInSubstitutions,
                                          detail::kBuiltInSubstitutions + detail::kBuiltInSubstitutionCount));
    return table;
}

} // namespace qf
