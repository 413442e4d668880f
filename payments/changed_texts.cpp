#include "payments/changed_texts.h"

#include "text/bank_text.h"

namespace qf {

void ChangedTexts::Note(const char* text)
{
    if (!text || !ChangesInBankText(text) || !m_seen.insert(text).second)
        return;
    m_changes.push_back({text, ToBankText(text)});
}

std::string ChangedTexts::Message() const
{
    std::string text = "The bank takes names and references in the letters A to Z, the digits 0 to 9, spaces and "
                       ". - / & only. ";
    text += m_changes.size() == 1 ? "This one was written in those characters:\r\n"
                                  : "These were written in those characters:\r\n";
    for (std::size_t i = 0; i < m_changes.size() && i < kNamed; ++i)
        text += "\r\n" + m_changes[i].typed + " -> " + m_changes[i].written;
    if (m_changes.size() > kNamed)
        text += "\r\nand " + std::to_string(m_changes.size() - kNamed) + " more";
    return text;
}

} // namespace qf
