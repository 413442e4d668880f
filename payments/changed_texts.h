// The payees' names and references that the bank's characters change on
// their way into the payment file ("Müller & Söhne (Bath)" is written as
// MULLER & SOHNE BATH), collected while the file is written, so that the
// user is told what the bank will show rather than surprised by it.
#pragma once
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace qf {

class ChangedTexts {
public:
    // The most texts the message names; it says how many more there are.
    static constexpr std::size_t kNamed = 10;

    struct Change {
        std::string typed;   // as the host gave it (ANSI)
        std::string written; // in the bank's characters, before any cut to a field's width
    };

    // Notes text when the bank's characters change it beyond its case; a
    // text noted before is not noted again.
    void Note(const char* text);
    const std::vector<Change>& Changes() const noexcept { return m_changes; }
    bool Empty() const noexcept { return m_changes.empty(); }

    // What the user is told: the first kNamed as "typed -> written", then how
    // many more. The box is narrow text, which has no arrow of its own.
    std::string Message() const;

private:
    std::vector<Change> m_changes;
    std::set<std::string> m_seen;
};

} // namespace qf
