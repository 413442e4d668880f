#include "statements/import_journal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/platform.h"
#include "platform/serial_date.h"
#include "statements/transaction_record.h"

namespace qf {
namespace {

const char kMagic[] = "Quillfen import journal 1\n";
const char kKeyTag[] = "key ";
const char kEndTag[] = "end ";

detail::JournalWriteFn g_write = nullptr;

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

// Whether YYYYMMDDhhmm (with time) or YYYYMMDD is a real moment.
bool IsJournalDate(std::uint64_t date)
{
    return IsValidDate(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100), static_cast<int>(date % 100));
}
bool IsJournalStamp(std::uint64_t stamp)
{
    return IsJournalDate(stamp / 10000) && stamp / 100 % 100 < 24 && stamp % 100 < 60;
}

std::string Describe(const char* what, long line)
{
    return std::string(what) + " (line " + std::to_string(line) + ")";
}

} // namespace

bool ImportJournal::CreateNew(ImportJournal& journal)
{
    Key key;
    if (!platform::RandomBytes(key.data(), key.size()))
        return false;
    journal = ImportJournal(key);
    return true;
}

std::size_t ImportJournal::Slot(const LineKey& key, std::size_t mask) noexcept
{
    // The digest is uniformly random already.
    std::uint64_t h;
    std::memcpy(&h, key.digest.data(), sizeof h);
    return static_cast<std::size_t>(h ^ (key.occurrence * 0x9E3779B97F4A7C15ull)) & mask;
}

const JournalEntry* ImportJournal::Find(const LineKey& key) const
{
    if (m_entries.empty())
        return nullptr;
    if (m_index.empty()) {
        std::size_t size = 16;
        while (size < 2 * m_entries.size())
            size *= 2;
        m_index.assign(size, 0);
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            std::size_t slot = Slot(m_entries[i].key, size - 1);
            while (m_index[slot])
                slot = (slot + 1) & (size - 1);
            m_index[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = Slot(key, mask); m_index[slot]; slot = (slot + 1) & mask) {
        const JournalEntry& entry = m_entries[m_index[slot] - 1];
        if (entry.key == key)
            return &entry;
    }
    return nullptr;
}

void ImportJournal::Add(const LineKey& key, std::int32_t date, std::int64_t imported)
{
    m_added.push_back({key, date, imported});
}

void ImportJournal::Merge()
{
    auto byKey = [](const JournalEntry& a, const JournalEntry& b) { return a.key < b.key; };
    std::sort(m_added.begin(), m_added.end(), byKey);
    std::vector<JournalEntry> merged;
    merged.reserve(m_entries.size() + m_added.size());
    std::merge(m_entries.begin(), m_entries.end(), m_added.begin(), m_added.end(), std::back_inserter(merged), byKey);
    m_added.clear();
    m_added.shrink_to_fit();

    std::int32_t newest = 0;
    for (const JournalEntry& e : merged)
        newest = std::max(newest, e.date);
    // Two years before the newest transaction, as a YYYYMMDD number.
    static_assert(kKeptMonths % 12 == 0, "the cut-off is whole years before the newest date");
    const std::int32_t cutOff = newest - kKeptMonths / 12 * 10000;

    m_entries.clear();
    m_index.clear();
    for (const JournalEntry& e : merged) {
        if (e.date < cutOff)
            continue;
        if (!m_entries.empty() && m_entries.back().key == e.key)
            m_entries.back().imported = std::max(m_entries.back().imported, e.imported);
        else
            m_entries.push_back(e);
    }
}

std::string ImportJournal::Serialize() const
{
    std::string out;
    out.reserve(128 + m_entries.size() * 64);
    out += kMagic;
    out += kKeyTag;
    out += ToHex(m_key.data(), m_key.size());
    out += '\n';
    for (const JournalEntry& e : m_entries) {
        out += ToHex(e.key.digest.data(), e.key.digest.size());
        out += ' ';
        AppendNumber(out, e.key.occurrence, 1);
        out += ' ';
        AppendNumber(out, static_cast<std::uint64_t>(e.date), 8);
        out += ' ';
        AppendNumber(out, static_cast<std::uint64_t>(e.imported), 12);
        out += '\n';
    }
    const Sha256Digest sum = Sha256Of(out.data(), out.size());
    out += kEndTag;
    AppendNumber(out, m_entries.size(), 1);
    out += ' ';
    out += ToHex(sum.data(), sum.size());
    out += '\n';
    return out;
}

bool ImportJournal::Parse(const std::string& text, std::string& why)
{
    m_entries.clear();
    m_index.clear();
    m_added.clear();
    const std::size_t magic = sizeof kMagic - 1;
    if (text.compare(0, magic, kMagic) != 0) {
        why = "not an import journal";
        return false;
    }
    const char* p = text.data() + magic;
    const char* const end = text.data() + text.size();
    auto lineEnd = [&](const char* from) {
        const void* nl = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
        return nl ? static_cast<const char*>(nl) : nullptr;
    };

    const char* eol = lineEnd(p);
    if (!eol || std::strncmp(p, kKeyTag, 4) != 0 || !FromHex(p + 4, static_cast<std::size_t>(eol - p - 4), m_key.data(), m_key.size())) {
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
            q == eol || *q++ != ' ' || !ReadNumber(q, eol, 12, stamp) || q != eol || !IsJournalDate(date) ||
            !IsJournalStamp(stamp)) {
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
    m_entries = std::move(entries);
    m_index.clear();
    return true;
}

LineIdentifier::LineIdentifier(const ImportJournal::Key& key) : m_mac(key.data(), key.size()) {}

std::size_t LineIdentifier::DigestHash::operator()(const std::array<std::uint8_t, 16>& d) const noexcept
{
    std::size_t h;
    std::memcpy(&h, d.data(), sizeof h);
    return h;
}

LineKey LineIdentifier::Identify(const CTransactionRecord& record)
{
    // The values that make the transaction, each after its length so that
    // no two different lines give the same bytes.
    m_buffer.clear();
    auto add = [this](const char* text, std::size_t length) {
        AppendNumber(m_buffer, length, 1);
        m_buffer += ':';
        m_buffer.append(text, length);
    };
    auto addText = [&](const CString& text) { add(text.c_str(), static_cast<std::size_t>(text.GetLength())); };
    const bool debit = record.IsDebit() != 0;
    const double amount = debit ? record.Debit() : record.Credit();
    AppendNumber(m_buffer, static_cast<std::uint64_t>(JournalDate(record.Date())), 8);
    m_buffer += debit ? ":D:" : ":C:";
    AppendNumber(m_buffer, static_cast<std::uint64_t>(std::llabs(std::llround(amount * 100.0))), 1);
    m_buffer += ':';
    addText(record.Type());
    addText(record.Narrative1());
    addText(record.Narrative2());
    addText(record.Narrative3());
    addText(record.Narrative4());
    addText(record.Narrative5());

    m_mac.Begin();
    m_mac.Update(m_buffer.data(), m_buffer.size());
    const Sha256Digest full = m_mac.Finish();
    LineKey key;
    std::memcpy(key.digest.data(), full.data(), key.digest.size());
    key.occurrence = m_seen[key.digest]++;
    return key;
}

std::int32_t JournalDate(double serial)
{
    CalendarDate d;
    if (!SerialToDate(serial, d))
        return 0;
    return d.year * 10000 + d.month * 100 + d.day;
}

JournalState LoadJournal(const std::string& path, ImportJournal& journal, std::string& why)
{
    journal = ImportJournal();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (errno == ENOENT)
            return JournalState::Missing;
        why = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return JournalState::Unreadable;
    }
    std::string text;
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        why = "cannot read " + path;
        return JournalState::Unreadable;
    }
    if (!journal.Parse(text, why)) {
        journal = ImportJournal();
        why = path + ": " + why;
        return JournalState::Damaged;
    }
    return JournalState::Read;
}

bool SaveJournal(const std::string& path, const ImportJournal& journal, std::string& why)
{
    const std::string text = journal.Serialize();
    const std::string fresh = path + ".new";
    errno = 0;
    std::FILE* file = std::fopen(fresh.c_str(), "wb");
    if (!file) {
        why = "cannot create " + fresh + ": " + std::strerror(errno);
        return false;
    }
    const detail::JournalWriteFn write = g_write ? g_write : [](const void* d, std::size_t s, std::FILE* f) { return std::fwrite(d, 1, s, f); };
    const bool written = write(text.data(), text.size(), file) == text.size() && platform::CommitFile(file);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        why = "cannot write " + fresh;
        std::remove(fresh.c_str());
        return false;
    }
    if (!platform::ReplaceFileWith(fresh.c_str(), path.c_str())) {
        why = "cannot replace " + path;
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

detail::JournalWriteFn detail::SetJournalWrite(JournalWriteFn write)
{
    const JournalWriteFn previous = g_write;
    g_write = write;
    return previous;
}

} // namespace qf
