#include "statements/journal/import_journal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/platform.h"
#include "platform/serial_date.h"
#include "text/file_holder.h"

namespace qf {
namespace {

const char kMagic[] = "Quillfen import journal 2\n";
const char kMagicVersion1[] = "Quillfen import journal 1\n";
const char kKeyTag[] = "key ";
// The sizes of format 2's parts.
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr std::size_t kHeaderSize = kMagicSize + 16 + 4 + 4 + 32;
constexpr std::size_t kEntrySize = 32;
const char kEndTag[] = "end ";

void AppendNumber(std::string& out, std::uint64_t value, int width)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = n; i < width; ++i)
        out.push_back('0');
    while (n)
        out.push_back(digits[--n]);
}

// A decimal number of at most maxDigits digits from p up to a space or the
// line's end; false for anything else.
bool ReadNumber(const char*& p, const char* end, int maxDigits, std::uint64_t& value)
{
    value = 0;
    int n = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (++n > maxDigits)
            return false;
        value = value * 10 + static_cast<unsigned>(*p++ - '0');
    }
    return n > 0;
}

void PutEntry(char* p, const JournalEntry& e)
{
    std::memcpy(p, e.key.digest.data(), e.key.digest.size());
    PutLittle(p + 16, e.key.occurrence, 4);
    PutLittle(p + 20, static_cast<std::uint32_t>(e.date), 4);
    PutLittle(p + 24, static_cast<std::uint64_t>(e.imported), 8);
}

// An entry from its bytes; false when they are none.
bool GetEntry(const char* p, JournalEntry& e)
{
    std::memcpy(e.key.digest.data(), p, e.key.digest.size());
    e.key.occurrence = static_cast<std::uint32_t>(GetLittle(p + 16, 4));
    const std::uint64_t date = GetLittle(p + 20, 4), stamp = GetLittle(p + 24, 8);
    e.date = static_cast<std::int32_t>(date);
    e.imported = static_cast<std::int64_t>(stamp);
    return IsDateNumber(date) && IsStampNumber(stamp);
}

std::string Describe(const char* what, long line)
{
    return std::string(what) + " (line " + std::to_string(line) + ")";
}

} // namespace

bool ImportJournal::CreateNew(ImportJournal& journal)
{
    return platform::MakeWithRandomKey(journal);
}

namespace {
std::size_t SlotOf(const LineKey& key, std::size_t mask) noexcept
{
    return DigestSlot(key.digest, key.occurrence, mask);
}

void Occupy(SlotTable& table, const LineKey& key, std::uint32_t value)
{
    table.Occupy(SlotOf(key, table.size() - 1), value);
}
} // namespace

void JournalEntries::Index(std::size_t slots) const
{
    m_index.ResetFor(slots);
    for (std::size_t i = 0; i < m_items.size(); ++i)
        Occupy(m_index, m_items[i].key, static_cast<std::uint32_t>(i + 1));
}

std::uint32_t JournalEntries::Position(const LineKey& key) const
{
    if (m_items.empty())
        return 0;
    if (m_index.empty())
        Index(2 * m_items.size());
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = SlotOf(key, mask); m_index[slot]; slot = (slot + 1) & mask)
        if (m_items[m_index[slot] - 1].key == key)
            return m_index[slot];
    return 0;
}

const JournalEntry* JournalEntries::Find(const LineKey& key) const
{
    const std::uint32_t position = Position(key);
    return position ? &m_items[position - 1] : nullptr;
}

void JournalEntries::Add(const JournalEntry& entry)
{
    if (const std::uint32_t position = Position(entry.key)) {
        JournalEntry& known = m_items[position - 1];
        known.imported = std::max(known.imported, entry.imported);
        return;
    }
    m_items.push_back(entry);
    if (2 * m_items.size() > m_index.size())
        Index(4 * m_items.size());
    else
        Occupy(m_index, entry.key, static_cast<std::uint32_t>(m_items.size()));
}

void ImportJournal::AddNew(BlockList<JournalEntry>&& lines)
{
    if (m_fresh.empty()) {
        m_fresh = std::move(lines);
        return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        m_fresh.push_back(lines[i]);
}

void ImportJournal::Settle()
{
    if (m_fresh.empty())
        return;
    BlockList<JournalEntry>& entries = m_entries.Change();
    for (std::size_t i = 0; i < m_fresh.size(); ++i)
        entries.push_back(m_fresh[i]);
    m_fresh.clear();
}

void ImportJournal::Prune()
{
    std::int32_t newest = 0;
    const BlockList<JournalEntry>& fresh = m_fresh;
    for (const BlockList<JournalEntry>* list : {&m_entries.Items(), &fresh, &m_legacy.Items()})
        for (std::size_t i = 0; i < list->size(); ++i)
            newest = std::max(newest, (*list)[i].date);
    // Two years before the newest transaction, as a YYYYMMDD number.
    static_assert(kKeptMonths % 12 == 0, "the cut-off is whole years before the newest date");
    const std::int32_t cutOff = newest - kKeptMonths / 12 * 10000;
    auto old = [cutOff](const JournalEntry& e) { return e.date < cutOff; };
    for (JournalEntries* list : {&m_entries, &m_legacy}) {
        bool any = false;
        for (std::size_t i = 0; i < list->Items().size() && !any; ++i)
            any = old(list->Items()[i]);
        if (any)
            list->Change().RemoveIf(old);
    }
    m_fresh.RemoveIf(old);
}

bool ImportJournal::Write(const JournalSink& sink) const
{
    const BlockList<JournalEntry>& entries = m_entries.Items();
    const BlockList<JournalEntry>& legacy = m_legacy.Items();
    CheckedSink out(sink);
    char header[kHeaderSize];
    std::memcpy(header, kMagic, kMagicSize);
    std::memcpy(header + kMagicSize, m_key.data(), m_key.size());
    PutLittle(header + kMagicSize + 16, entries.size() + m_fresh.size(), 4);
    PutLittle(header + kMagicSize + 20, legacy.size(), 4);
    if (legacy.empty())
        std::memset(header + kMagicSize + 24, 0, m_legacyKey.size());
    else
        std::memcpy(header + kMagicSize + 24, m_legacyKey.data(), m_legacyKey.size());
    if (!out.Put(header, sizeof header))
        return false;
    for (const BlockList<JournalEntry>* list : {&entries, &m_fresh, &legacy})
        if (!out.PutRecords(list->size(), kEntrySize, [list](std::size_t i, char* p) { PutEntry(p, (*list)[i]); }))
            return false;
    return out.Finish();
}

std::string ImportJournal::Serialize() const
{
    std::string out;
    out.reserve(kHeaderSize + Size() * kEntrySize + 8);
    Write(StringSink(out));
    return out;
}

bool ImportJournal::Parse(const std::string& text, std::string& why)
{
    return Read(StringSource(text), why);
}

bool ImportJournal::Read(const JournalSource& source, std::string& why)
{
    *this = ImportJournal();
    char header[kHeaderSize];
    CheckedSource in(source);
    const bool magic = in.Get(header, kMagicSize, why);
    if (magic && std::memcmp(header, kMagicVersion1, kMagicSize) == 0)
        return ReadVersion1(source, why);
    if (!magic || std::memcmp(header, kMagic, kMagicSize) != 0) {
        why = "not an import journal";
        return false;
    }
    if (!in.Get(header + kMagicSize, kHeaderSize - kMagicSize, why))
        return false;
    ImportJournal read;
    std::memcpy(read.m_key.data(), header + kMagicSize, read.m_key.size());
    std::memcpy(read.m_legacyKey.data(), header + kMagicSize + 24, read.m_legacyKey.size());
    const std::uint64_t counts[2] = {GetLittle(header + kMagicSize + 16, 4), GetLittle(header + kMagicSize + 20, 4)};
    JournalEntries* lists[2] = {&read.m_entries, &read.m_legacy};
    for (int l = 0; l < 2; ++l) {
        BlockList<JournalEntry>& items = lists[l]->Change();
        auto take = [&items](const char* p) {
            JournalEntry e;
            return GetEntry(p, e) && (items.push_back(e), true);
        };
        if (!in.GetRecords(counts[l], kEntrySize, take, why))
            return false;
    }
    if (!in.Finish(why))
        return false;
    *this = std::move(read);
    return true;
}

bool ImportJournal::ReadVersion1(const JournalSource& source, std::string& why)
{
    std::string text(kMagicVersion1);
    char chunk[65536];
    for (std::size_t n; (n = source(chunk, sizeof chunk)) > 0;)
        text.append(chunk, n);
    const std::size_t magic = sizeof kMagicVersion1 - 1;
    const char* p = text.data() + magic;
    const char* const end = text.data() + text.size();
    auto lineEnd = [&](const char* from) {
        const void* nl = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
        return nl ? static_cast<const char*>(nl) : nullptr;
    };

    const char* eol = lineEnd(p);
    LegacyKey legacyKey;
    if (!eol || std::strncmp(p, kKeyTag, 4) != 0 ||
        !FromHex(p + 4, static_cast<std::size_t>(eol - p - 4), legacyKey.data(), legacyKey.size())) {
        why = Describe("no valid key", 2);
        return false;
    }
    p = eol + 1;
    std::vector<JournalEntry> entries;
    long line = 2;
    for (;;) {
        ++line;
        eol = lineEnd(p);
        if (!eol) {
            why = Describe("cut short: no end line", line);
            return false;
        }
        if (std::strncmp(p, kEndTag, 4) == 0)
            break;
        JournalEntry e;
        std::uint64_t occurrence, date, stamp;
        const char* q = p + 33;
        if (eol - p < 33 || !FromHex(p, 32, e.key.digest.data(), e.key.digest.size()) || p[32] != ' ' ||
            !ReadNumber(q, eol, 9, occurrence) || q == eol || *q++ != ' ' || !ReadNumber(q, eol, 8, date) ||
            q == eol || *q++ != ' ' || !ReadNumber(q, eol, 12, stamp) || q != eol || !IsDateNumber(date) ||
            !IsStampNumber(stamp)) {
            why = Describe("damaged entry", line);
            return false;
        }
        e.key.occurrence = static_cast<std::uint32_t>(occurrence);
        e.date = static_cast<std::int32_t>(date);
        e.imported = static_cast<std::int64_t>(stamp);
        if (!entries.empty() && !(entries.back().key < e.key)) {
            why = Describe("entries out of order", line);
            return false;
        }
        entries.push_back(e);
        p = eol + 1;
    }

    const std::size_t summed = static_cast<std::size_t>(p - text.data());
    const char* q = p + 4;
    std::uint64_t count = 0;
    Sha256Digest expected;
    if (!ReadNumber(q, eol, 10, count) || q == eol || *q++ != ' ' ||
        !FromHex(q, static_cast<std::size_t>(eol - q), expected.data(), expected.size()) || eol + 1 != end) {
        why = Describe("damaged end line", line);
        return false;
    }
    if (count != entries.size() || Sha256Of(text.data(), summed) != expected) {
        why = "the end line does not match the entries";
        return false;
    }
    // The digests of new lines are keyed by a key made from the old one, so
    // that every reading of the same journal gives the same.
    static const char kDerivation[] = "Quillfen import journal 2 key";
    HmacSha256 derive(legacyKey.data(), legacyKey.size());
    derive.Update(kDerivation, sizeof kDerivation - 1);
    const Sha256Digest derived = derive.Finish();
    Key key;
    std::memcpy(key.data(), derived.data(), key.size());
    *this = ImportJournal(key);
    m_legacyKey = legacyKey;
    BlockList<JournalEntry>& legacy = m_legacy.Change();
    for (const JournalEntry& e : entries)
        legacy.push_back(e);
    return true;
}

std::uint32_t OccurrenceCounter::Next(const std::array<std::uint8_t, 16>& digest)
{
    if (2 * (m_seen.size() + 1) > m_table.size()) {
        m_table.Reset(std::max<std::size_t>(4096, 2 * m_table.size()));
        for (std::size_t i = 0; i < m_seen.size(); ++i)
            Occupy(m_table, LineKey{m_seen[i].digest, 0}, static_cast<std::uint32_t>(i + 1));
    }
    const std::size_t mask = m_table.size() - 1;
    std::size_t at = SlotOf(LineKey{digest, 0}, mask);
    for (; m_table[at]; at = (at + 1) & mask) {
        Seen& seen = m_seen[m_table[at] - 1];
        if (seen.digest == digest)
            return seen.count++;
    }
    m_seen.push_back({digest, 1});
    m_table[at] = static_cast<std::uint32_t>(m_seen.size());
    return 0;
}

LineIdentifier::LineIdentifier(const ImportJournal::Key& key, const ImportJournal::LegacyKey* legacy)
    : m_key(key), m_hasLegacy(legacy != nullptr), m_mac(legacy ? legacy->data() : nullptr, legacy ? legacy->size() : 0)
{
}

namespace {

// Whole pence of an amount; anything beyond that range by its bits.
std::uint64_t Pence(double amount)
{
    const double scaled = (amount < 0 ? -amount : amount) * 100.0;
    if (scaled < 1.8e19)
        return static_cast<std::uint64_t>(scaled + 0.5);
    std::uint64_t bits;
    std::memcpy(&bits, &amount, sizeof bits);
    return bits;
}

// Calls each(text, size) for the type and the five narratives of a line, in
// that order.
template <class F>
void ForEachText(const StatementLine& line, F each)
{
    each(line.Type(), line.typeSize);
    const char* p = line.narrative;
    for (int i = 0; i < 5; ++i) {
        const std::uint32_t size = line.narrativeSizes[i];
        if (i > 0 && size > 0)
            ++p; // the space before it in the joined narrative
        each(p, size);
        p += size;
    }
}

} // namespace

LineKey LineIdentifier::Identify(const StatementLine& line, LineKey* legacy)
{
    // The values that make the transaction, each text after its length so
    // that no two different lines give the same bytes: the serial date, D or
    // C, the amount in pence, the type and the five narratives.
    std::size_t size = 4 + 1 + 8 + 6 * 4 + line.typeSize;
    for (std::uint32_t n : line.narrativeSizes)
        size += n;
    m_buffer.resize(size);
    char* p = &m_buffer[0];
    PutLittle(p, static_cast<std::uint32_t>(static_cast<std::int32_t>(line.date)), 4);
    p[4] = line.debit ? 'D' : 'C';
    PutLittle(p + 5, Pence(line.amount), 8);
    p += 13;
    ForEachText(line, [&p](const char* text, std::size_t length) {
        PutLittle(p, length, 4);
        std::memcpy(p + 4, text, length);
        p += 4 + length;
    });
    LineKey key;
    key.digest = SipHash128(m_key, m_buffer.data(), m_buffer.size());
    key.occurrence = m_seen.Next(key.digest);
    if (!legacy || !m_hasLegacy)
        return key;

    // The same as the text form of the journal knew it.
    m_buffer.clear();
    AppendNumber(m_buffer, static_cast<std::uint64_t>(JournalDate(line.date)), 8);
    m_buffer += line.debit ? ":D:" : ":C:";
    AppendNumber(m_buffer, static_cast<std::uint64_t>(std::llabs(std::llround(line.amount * 100.0))), 1);
    m_buffer += ':';
    ForEachText(line, [this](const char* text, std::size_t length) {
        AppendNumber(m_buffer, length, 1);
        m_buffer += ':';
        m_buffer.append(text, length);
    });
    m_mac.Begin();
    m_mac.Update(m_buffer.data(), m_buffer.size());
    const Sha256Digest full = m_mac.Finish();
    std::memcpy(legacy->digest.data(), full.data(), legacy->digest.size());
    legacy->occurrence = m_seenLegacy.Next(legacy->digest);
    return key;
}

std::int32_t JournalDate(double serial) { return DateNumber(serial); }

JournalState LoadJournal(const std::string& path, ImportJournal& journal, std::string& why)
{
    const JournalState state = LoadBinaryFile(
        path, [&journal](const ByteSource& source, std::string& problem) { return journal.Read(source, problem); },
        why);
    if (state != JournalState::Read)
        journal = ImportJournal();
    return state;
}

JournalState ReadJournal(std::FILE* file, const std::string& path, ImportJournal& journal, std::string& why)
{
    const JournalState state = ReadBinaryFile(
        file, path, [&journal](const ByteSource& source, std::string& problem) { return journal.Read(source, problem); },
        why);
    if (state != JournalState::Read)
        journal = ImportJournal();
    return state;
}

bool WriteJournal(std::FILE* file, const ImportJournal& journal)
{
    return WriteBinaryFile(file, [&journal](const ByteSink& sink) { return journal.Write(sink); });
}

bool WriteNewJournal(const std::string& path, const ImportJournal& journal, std::string& why)
{
    const std::string fresh = path + ".new";
    errno = 0;
    File file(std::fopen(fresh.c_str(), "wb"));
    if (!file) {
        why = "cannot create " + fresh + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteJournal(file.Get(), journal) && platform::CommitFile(file.Get());
    const bool closed = file.Close();
    if (!written || !closed) {
        why = "cannot write " + fresh;
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

bool PutNewJournalInPlace(const std::string& path, std::string& why)
{
    const std::string fresh = path + ".new";
    if (!platform::ReplaceFileWith(fresh.c_str(), path.c_str())) {
        why = "cannot replace " + path;
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

bool SaveJournal(const std::string& path, const ImportJournal& journal, std::string& why)
{
    return WriteNewJournal(path, journal, why) && PutNewJournalInPlace(path, why);
}

} // namespace qf
