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
// File format 2 (binary, numbers little-endian):
//
//   "Quillfen import journal 2\n"     26 bytes
//   key                               16 bytes: SipHash-2-4 key of the digests
//   entries, legacy entries           4 bytes each: how many of each follow
//   legacy key                        32 bytes: HMAC key of the legacy entries
//   entries, then legacy entries      32 bytes each: digest (16), number among
//                                     identical lines (4), YYYYMMDD (4),
//                                     import time YYYYMMDDhhmm (8)
//   check                             8 bytes: SipHash-2-4 (64) of all before
//                                     it, under the key of sixteen zero bytes
//
// Entries are in the order they were first imported, without repeats. A journal
// of format 1 (text, as earlier versions wrote it) is still read: its entries
// were digests by HMAC-SHA-256 and live on as legacy entries, matched with
// that older digest of each line, until they are two years old.
//
// A journal is written as a new file that then replaces the old one, so a
// crash or a full disk leaves the old journal as it was (journal_file.h: how
// imports in several processes share one).
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "blocks/block_list.h"
#include "blocks/byte_stream.h"
#include "blocks/sha256.h"
#include "blocks/siphash.h"
#include "statements/statement_line.h"
#include "text/binary_file.h"

namespace qf {

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

// A list of entries, each key once, with a hash index for lookups.
class JournalEntries {
public:
    const BlockList<JournalEntry>& Items() const noexcept { return m_items; }
    // The list itself, for reading or pruning; the index is made again at
    // the next lookup.
    BlockList<JournalEntry>& Change() noexcept
    {
        m_index.clear();
        return m_items;
    }
    // The entry for key; null when unknown.
    const JournalEntry* Find(const LineKey& key) const;
    // Adds an entry; a key already there keeps the later import time.
    void Add(const JournalEntry& entry);

private:
    void Index(std::size_t slots) const;
    // Where key's entry is in m_items, plus 1; 0 when it is not there.
    std::uint32_t Position(const LineKey& key) const;

    BlockList<JournalEntry> m_items;
    // Open addressing (position + 1, 0 for empty), at most half full: one
    // or two memory reads per line instead of a binary search's twenty
    // over a large journal. Made at the first lookup.
    mutable SlotTable m_index;
};

// Where a journal's bytes go and where they come from.
using JournalSink = ByteSink;
using JournalSource = ByteSource;

class ImportJournal {
public:
    using Key = SipKey;
    // The key of format 1 journals.
    using LegacyKey = std::array<std::uint8_t, 32>;
    // Transactions older than this many months before the newest are forgotten.
    static constexpr int kKeptMonths = 24;

    // An empty journal with the given key.
    explicit ImportJournal(const Key& key = Key{}) : m_key(key) {}
    // An empty journal with a new random key; false when the system gave no
    // random bytes.
    static bool CreateNew(ImportJournal& journal);

    const Key& HashKey() const noexcept { return m_key; }
    // Entries carried over from a format 1 journal, and their key.
    bool HasLegacy() const noexcept { return !m_legacy.Items().empty(); }
    const LegacyKey& LegacyHashKey() const noexcept { return m_legacyKey; }
    std::size_t Size() const noexcept
    {
        return m_entries.Items().size() + m_fresh.size() + m_legacy.Items().size();
    }

    // The entry for key; null when unknown.
    const JournalEntry* Find(const LineKey& key)
    {
        Settle();
        return m_entries.Find(key);
    }
    // The same among the legacy entries, for a line's format 1 key.
    const JournalEntry* FindLegacy(const LineKey& key) const { return m_legacy.Find(key); }
    // Remembers a line; a line already known keeps the later import time.
    void Add(const LineKey& key, std::int32_t date, std::int64_t imported) { m_entries.Add({key, date, imported}); }
    // Remembers a line that Find did not know, without a lookup: the import
    // adds each new line once, and looks nothing up between its first
    // AddNew and writing the journal. (The next Find takes them in.)
    void AddNew(const LineKey& key, std::int32_t date, std::int64_t imported) { m_fresh.push_back({key, date, imported}); }
    // The same for a list of such lines, taken over without a copy when
    // nothing else is waiting.
    void AddNew(BlockList<JournalEntry>&& lines);
    // Forgets transactions older than kKeptMonths before the newest one.
    void Prune();

    // The file, in format 2, written through sink; false when a piece could
    // not be written.
    bool Write(const JournalSink& sink) const;
    // The same as one text.
    std::string Serialize() const;
    // Reads a file of either format; false with why set when it is cut or
    // damaged (or the source failed).
    bool Read(const JournalSource& source, std::string& why);
    bool Parse(const std::string& text, std::string& why);

private:
    bool ReadVersion1(const JournalSource& source, std::string& why);
    // Takes the lines of AddNew into the indexed entries.
    void Settle();

    Key m_key;
    LegacyKey m_legacyKey{};
    JournalEntries m_entries, m_legacy;
    BlockList<JournalEntry> m_fresh; // written after m_entries
};

// How many lines with a digest came before, in one file. Small, since every
// page it touches costs: the digests seen, in order, and a table of their
// positions.
class OccurrenceCounter {
public:
    // The number of earlier calls with this digest.
    std::uint32_t Next(const std::array<std::uint8_t, 16>& digest);

private:
    struct Seen {
        std::array<std::uint8_t, 16> digest;
        std::uint32_t count;
    };
    BlockList<Seen> m_seen;
    SlotTable m_table; // position in m_seen + 1; 0 for empty
};

// Computes the keys of a file's lines in file order.
class LineIdentifier {
public:
    // With a legacy key the identifier also gives each line's format 1 key.
    explicit LineIdentifier(const ImportJournal::Key& key, const ImportJournal::LegacyKey* legacy = nullptr);
    // The key of a line's transaction; call once per line, in file order.
    // legacy, when the identifier has a legacy key, receives the line's
    // format 1 key.
    LineKey Identify(const StatementLine& line, LineKey* legacy = nullptr);

private:
    SipKey m_key;
    bool m_hasLegacy = false;
    HmacSha256 m_mac;
    std::string m_buffer;
    OccurrenceCounter m_seen, m_seenLegacy;
};

// YYYYMMDD of a serial date; 0 for none.
std::int32_t JournalDate(double serial);

// ---- Files -------------------------------------------------------------

using JournalState = FileState;

// Reads the journal at path into journal (left empty unless Read); why
// says what went wrong.
JournalState LoadJournal(const std::string& path, ImportJournal& journal, std::string& why);
// The same from a file opened for reading; path only names it in why.
JournalState ReadJournal(std::FILE* file, const std::string& path, ImportJournal& journal, std::string& why);
// Writes journal into a file opened for writing; false when a piece could
// not be written.
bool WriteJournal(std::FILE* file, const ImportJournal& journal);
// Writes path + ".new", commits it to the disk and puts it in the place of
// path. On failure the new file is removed, path is untouched and why says
// what went wrong.
bool SaveJournal(const std::string& path, const ImportJournal& journal, std::string& why);
// The same in two steps: the new file written and committed, then put in
// place (the new file is removed when that fails).
bool WriteNewJournal(const std::string& path, const ImportJournal& journal, std::string& why);
bool PutNewJournalInPlace(const std::string& path, std::string& why);

namespace detail {
// How the journal's bytes are written (text/binary_file.h); tests make it
// fail.
using JournalWriteFn = BinaryWriteFn;
inline JournalWriteFn SetJournalWrite(JournalWriteFn write) { return SetBinaryWrite(write); }
} // namespace detail

} // namespace qf
