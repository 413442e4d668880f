// The characters that a UK bank's payment file takes in names and
// references: A to Z, 0 to 9, the space and . - / &. A payee's name is often
// typed with more: a letter with an accent, an apostrophe, a comma.
//
// Text here is narrow Windows-1252, the ANSI code page the component works
// in. A character is spelt in the bank's characters as:
// - a letter a-z in upper case, and A-Z, 0-9, space, . - / & as it is;
// - a Latin letter with an accent, cedilla, ring, stroke or caron as its
//   plain letter in upper case: Ü and ü as U, É as E, Ç as C, Ø as O, Š as S,
//   Ÿ and ÿ as Y, Ð and ð as D; the letters that have no plain one as two:
//   ß as SS, Æ as AE, Œ as OE, Þ and þ as TH;
// - anything else (punctuation, quotes, symbols such as € and the florin
//   sign ƒ, digits that are not 0-9, control characters) not at all.
#pragma once
#include <string>

namespace qf {

// How one byte is spelt: at most two characters.
struct BankSpelling {
    char text[2];
    unsigned char size; // 0: left out
};
const BankSpelling& BankSpellingOf(unsigned char c) noexcept;

// text spelt in the bank's characters: "Müller & Söhne (Bath)" gives
// "MULLER & SOHNE BATH".
std::string ToBankText(const char* text);

// Whether the bank's characters change text beyond its case: a character
// left out or spelt otherwise ("Smith" does not, "Smith's" and "Zoë" do).
bool ChangesInBankText(const char* text) noexcept;

} // namespace qf
