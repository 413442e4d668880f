// The memory of what was imported into the reconciliation of one account:
// one journal file per account, so that a transaction that sits in two
// overlapping exports, or in an export imported twice, reaches the
// statement once.
//
// A line is known by a keyed digest of its date, debit or credit, amount,
// type and narratives, and by how many identical lines came before it on
// the same day in the same file: the second of two identical card payments
// on one day is another transaction than the first. The file holds nothing
// readable of the line: the digest, that number, the transaction's date
// and when it was imported. The key is random, made for each new journal
// and kept in it.
//
// File format (text, LF line ends):
//
//   Quillfen import journal 1
//   key <64 hex digits>
//   <32 hex digits> <number among identical lines> <YYYYMMDD> <YYYYMMDDhhmm>
//   ...
//   end <entries> <SHA-256 of every byte before this line, 64 hex digits>
//
// The last line tells a whole journal from a cut or damaged one. A journal
// is written as a new file that then replaces the old one, so a crash or a
// full disk leaves the old journal as it was.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "statements/sha256.h"

namespace qf {

class CTransactionRecord;

// What identifies one imported line.
struct LineKey {
    std::array<std::uint8_t, 16> digest{};
    std::uint32_t occurrence = 0; // 0 for the first of identical lines in a file

    bool operator<(const LineKey& o) const
    {
        return digest != o.digest ? digest < o.digest : occurrence < o.occurrence;
    }
    bool operator==(const LineKey& o) const { return digest == o.digest && occurrence == o.occurrence; }
};

struct JournalEntry {
    LineKey key;
    std::int32_t date = 0;     // transaction date, YYYYMMDD
    std::int64_t imported = 0; // when it was imported, YYYYMMDDhhmm (local time)
};

class ImportJournal {
public:
    using Key = std::array<std::uint8_t, 32>;
    // Transactions older than this many months before the newest are forgotten.
    static constexpr int kKeptMonths = 24;

    // An empty journal with the given key.
    explicit ImportJournal(const Key& key = Key{}) : m_key(key) {}
    // An empty journal with a new random key; false when the system gave no
    // random bytes.
    static bool CreateNew(ImportJournal& journal);

    const Key& HashKey() const noexcept { return m_key; }
    std::size_t Size() const noexcept { return m_entries.size() + m_added.size(); }

    // The entry for key among those read or merged; null when unknown.
    const JournalEntry* Find(const LineKey& key) const;
    // Remembers a line; it is looked up by Find after the next Merge.
    void Add(const LineKey& key, std::int32_t date, std::int64_t imported);
    // Takes the added lines in (a line already known keeps the later import
    // time) and forgets transactions older than kKeptMonths before the
    // newest one.
    void Merge();

    // The whole file (after Merge).
    std::string Serialize() const;
    // Reads a file's text; false with why set when it is cut or damaged.
    bool Parse(const std::string& text, std::string& why);

private:
    static std::size_t Slot(const LineKey& key, std::size_t mask) noexcept;

    Key m_key;
    std::vector<JournalEntry> m_entries; // sorted by key, unique
    std::vector<JournalEntry> m_added;
    // An open-addressing index of m_entries (position + 1, 0 for empty),
    // made at the first Find: one or two memory reads per line instead of
    // a binary search's twenty over a large journal.
    mutable std::vector<std::uint32_t> m_index;
};

// Computes the keys of a file's lines in file order.
class LineIdentifier {
public:
    explicit LineIdentifier(const ImportJournal::Key& key);
    // The key of the record's transaction; call once per line, in file order.
    LineKey Identify(const CTransactionRecord& record);

private:
    struct DigestHash {
        std::size_t operator()(const std::array<std::uint8_t, 16>& d) const noexcept;
    };
    HmacSha256 m_mac;
    std::string m_buffer;
    std::unordered_map<std::array<std::uint8_t, 16>, std::uint32_t, DigestHash> m_seen;
};

// YYYYMMDD of a serial date; 0 for none.
std::int32_t JournalDate(double serial);

// ---- Files -------------------------------------------------------------

enum class JournalState {
    Missing,    // no journal yet
    Read,       // read whole
    Unreadable, // there, but could not be opened or read
    Damaged,    // read, but cut short or not a journal
};

// Reads the journal at path into journal (left empty unless Read); why
// says what went wrong.
JournalState LoadJournal(const std::string& path, ImportJournal& journal, std::string& why);
// Writes path + ".new", commits it to the disk and puts it in the place of
// path. On failure the new file is removed, path is untouched and why says
// what went wrong.
bool SaveJournal(const std::string& path, const ImportJournal& journal, std::string& why);

namespace detail {
// How the journal's bytes are written; tests make it fail. nullptr restores
// fwrite. Returns the previous one.
using JournalWriteFn = std::size_t (*)(const void* data, std::size_t size, std::FILE* file);
JournalWriteFn SetJournalWrite(JournalWriteFn write);
} // namespace detail

} // namespace qf
