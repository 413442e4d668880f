#include "text/bank_text.h"

namespace qf {
namespace {

struct Table {
    BankSpelling spelling[256];

    Table() : spelling()
    {
        auto set = [this](unsigned char c, const char* text) {
            BankSpelling& s = spelling[c];
            s.size = 0;
            for (; *text && s.size < 2; ++text)
                s.text[s.size++] = *text;
        };
        for (unsigned char c = 'A'; c <= 'Z'; ++c) {
            const char upper[2] = {static_cast<char>(c), 0};
            set(c, upper);
            set(static_cast<unsigned char>(c - 'A' + 'a'), upper);
        }
        for (unsigned char c = '0'; c <= '9'; ++c) {
            const char digit[2] = {static_cast<char>(c), 0};
            set(c, digit);
        }
        for (const char* c = " .-/&"; *c; ++c) {
            const char mark[2] = {*c, 0};
            set(static_cast<unsigned char>(*c), mark);
        }
        // Windows-1252's letters beyond ASCII, by their plain letters. The
        // lower-case ones of 0xE0 to 0xFE sit 0x20 above their capitals.
        set(0x8A, "S");  // Š
        set(0x8C, "OE"); // Œ
        set(0x8E, "Z");  // Ž
        set(0x9A, "S");  // š
        set(0x9C, "OE"); // œ
        set(0x9E, "Z");  // ž
        set(0x9F, "Y");  // Ÿ
        const char* const capitals[32] = {
            "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I", // À to Ï
            "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "", // Ð to ß; × none
        };
        for (int i = 0; i < 32; ++i) {
            set(static_cast<unsigned char>(0xC0 + i), capitals[i]);
            set(static_cast<unsigned char>(0xE0 + i), capitals[i]); // ÷ (0xF7) none, like ×
        }
        set(0xDF, "SS"); // ß, which has no capital of its own
        set(0xFF, "Y");  // ÿ
    }
};

} // namespace

const BankSpelling& BankSpellingOf(unsigned char c) noexcept
{
    static const Table table;
    return table.spelling[c];
}

std::string ToBankText(const char* text)
{
    std::string spelt;
    for (const char* p = text; *p; ++p) {
        const BankSpelling& s = BankSpellingOf(static_cast<unsigned char>(*p));
        spelt.append(s.text, s.size);
    }
    return spelt;
}

bool ChangesInBankText(const char* text) noexcept
{
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const BankSpelling& s = BankSpellingOf(c);
        const unsigned char upper = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
        if (s.size != 1 || static_cast<unsigned char>(s.text[0]) != upper)
            return true;
    }
    return false;
}

} // namespace qf
