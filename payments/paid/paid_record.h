// The record of the payments written to payment files, one record per paying
// account, so that a payment about to be exported again (or twice in one
// batch) is caught before its file exists (paid_check.h).
//
// A payment is known by a keyed digest (SipHash-2-4, 128 bits, under the
// record's own random key) of the payee's sort code and account number, the
// amount in pence and the reference as written. Nothing readable of the bank
// details, names or references is kept: the digest, the processing date,
// when the file was written, its layout and the file's name (the one
// readable part, so that a warning can say which file paid it before).
// Entries written more than kKeptMonths before the time of saving go.
//
// File format 1 (binary, numbers little-endian):
//
//   "Quillfen paid record 1\n"   23 bytes
//   key                          16 bytes: SipHash-2-4 key of the digests
//   names, entries               4 bytes each: how many of each follow
//   names                        each a length (2 bytes) and that many bytes
//   entries                      33 bytes each: digest (16), processing date
//                                YYYYMMDD (4), written YYYYMMDDhhmm (8),
//                                index of the file's name (4), layout (1)
//   check                        8 bytes: SipHash-2-4 (64) of all before it,
//                                under the key of sixteen zero bytes
//
// Entries are in the order they were added; one payment may have several
// (each writing of it).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "blocks/block_list.h"
#include "blocks/byte_stream.h"
#include "blocks/siphash.h"

namespace qf {

// One payment as written to the payment file.
struct PaidPayment {
    std::string payeeSortCode; // digits only
    std::string payeeAccount;  // digits only
    std::int64_t pence = 0;
    std::string reference; // as written to the file
};

// One writing of a payment in the record.
struct PaidEntry {
    Sip128 digest{};
    std::int64_t written = 0;       // YYYYMMDDhhmm, local time
    std::int32_t processingDate = 0; // YYYYMMDD
    std::uint32_t file = 0;          // index of the file's name
    std::uint8_t layout = 0;         // 0..3
};

// The latest earlier writing of a payment, as a warning tells it.
struct PaidBefore {
    std::int32_t processingDate = 0; // YYYYMMDD
    std::int64_t written = 0;        // YYYYMMDDhhmm
    int layout = 0;
    std::string fileName;
};

// One payment file in the record, for listing.
struct PaidWriting {
    std::int64_t written = 0;
    std::string fileName;
    std::int32_t processingDate = 0;
    int layout = 0;
    std::size_t count = 0; // payments recorded of it
};

class PaidRecord {
public:
    using Key = SipKey;
    // Entries written more than this many months before the time of saving go.
    static constexpr int kKeptMonths = 13;
    static constexpr int kLayouts = 4;
    // A file name longer than this is kept cut to it.
    static constexpr std::size_t kMaxName = 65535;

    // An empty record with the given key.
    explicit PaidRecord(const Key& key = Key{}) : m_key(key) {}
    // An empty record with a new random key; false when the system gave no
    // random bytes.
    static bool CreateNew(PaidRecord& record);

    const Key& HashKey() const noexcept { return m_key; }
    std::size_t Size() const noexcept { return m_entries.size(); }
    const BlockList<PaidEntry>& Entries() const noexcept { return m_entries; }
    const std::string& FileName(std::uint32_t index) const { return m_names[index]; }

    // The digest of a payment under this record's key.
    Sip128 DigestOf(const PaidPayment& payment) const;
    // Remembers each payment as written to fileName at written (YYYYMMDDhhmm)
    // for processingDate (YYYYMMDD) in layout (0..3; others are taken as 0).
    // False, and nothing added, when there are payments and the date or the
    // time is none: the record would not read again.
    bool Add(const std::vector<PaidPayment>& payments, std::int32_t processingDate, std::int64_t written, int layout,
             const std::string& fileName);
    // Forgets entries written more than kKeptMonths before now (YYYYMMDDhhmm),
    // and the names no entry refers to any more.
    void Prune(std::int64_t now);

    // The latest writing of the payment with this digest at or after since
    // (YYYYMMDDhhmm); null when there is none.
    const PaidEntry* Find(const Sip128& digest, std::int64_t since) const;
    std::optional<PaidBefore> Find(const PaidPayment& payment, std::int64_t since) const;
    // An entry of this record as a warning tells it.
    PaidBefore Before(const PaidEntry& e) const { return {e.processingDate, e.written, e.layout, m_names[e.file]}; }
    // The files recorded, by the time they were written, then by name.
    std::vector<PaidWriting> Writings() const;

    // The file written through sink; false when a piece could not be written.
    bool Write(const ByteSink& sink) const;
    std::string Serialize() const;
    // Reads a file; false with why set, and the record empty, when it is cut
    // or damaged (or the source failed).
    bool Read(const ByteSource& source, std::string& why);
    bool Parse(const std::string& text, std::string& why);

private:
    std::uint32_t NameIndex(const std::string& fileName);
    bool ReadNames(CheckedSource& in, std::uint64_t count, std::string& why);

    Key m_key;
    std::vector<std::string> m_names;
    BlockList<PaidEntry> m_entries;
    // Open addressing over the digests (position in m_entries + 1, 0 for
    // empty), at most half full; made at the first lookup after a change.
    mutable SlotTable m_index;
};

} // namespace qf
