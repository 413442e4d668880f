#include "payments/paid/paid_record.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/platform.h"
#include "platform/serial_date.h"

namespace qf {
namespace {

const char kMagic[] = "Quillfen paid record 1\n";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr std::size_t kHeaderSize = kMagicSize + 16 + 4 + 4;
constexpr std::size_t kEntrySize = 16 + 4 + 8 + 4 + 1;

// A text after its length, so that no two different payments give the same
// bytes.
void AppendField(std::string& out, const std::string& text)
{
    char size[4];
    PutLittle(size, text.size(), 4);
    out.append(size, sizeof size);
    out += text;
}

void PutEntry(char* p, const PaidEntry& e)
{
    std::memcpy(p, e.digest.data(), e.digest.size());
    PutLittle(p + 16, static_cast<std::uint32_t>(e.processingDate), 4);
    PutLittle(p + 20, static_cast<std::uint64_t>(e.written), 8);
    PutLittle(p + 28, e.file, 4);
    p[32] = static_cast<char>(e.layout);
}

// An entry from its bytes; false when they are none, or it names a file
// that is not among the names.
bool GetEntry(const char* p, std::size_t names, PaidEntry& e)
{
    std::memcpy(e.digest.data(), p, e.digest.size());
    const std::uint64_t date = GetLittle(p + 16, 4), stamp = GetLittle(p + 20, 8), file = GetLittle(p + 28, 4);
    e.processingDate = static_cast<std::int32_t>(date);
    e.written = static_cast<std::int64_t>(stamp);
    e.file = static_cast<std::uint32_t>(file);
    e.layout = static_cast<std::uint8_t>(p[32]);
    return IsDateNumber(date) && IsStampNumber(stamp) && file < names && e.layout < PaidRecord::kLayouts;
}

} // namespace

bool PaidRecord::CreateNew(PaidRecord& record)
{
    return platform::MakeWithRandomKey(record);
}

Sip128 PaidRecord::DigestOf(const PaidPayment& payment) const
{
    std::string bytes;
    bytes.reserve(32 + payment.payeeSortCode.size() + payment.payeeAccount.size() + payment.reference.size());
    AppendField(bytes, payment.payeeSortCode);
    AppendField(bytes, payment.payeeAccount);
    char pence[8];
    PutLittle(pence, static_cast<std::uint64_t>(payment.pence), 8);
    bytes.append(pence, sizeof pence);
    AppendField(bytes, payment.reference);
    return SipHash128(m_key, bytes.data(), bytes.size());
}

std::uint32_t PaidRecord::NameIndex(const std::string& fileName)
{
    const std::string name = fileName.substr(0, kMaxName);
    const auto at = std::find(m_names.begin(), m_names.end(), name);
    if (at != m_names.end())
        return static_cast<std::uint32_t>(at - m_names.begin());
    m_names.push_back(name);
    return static_cast<std::uint32_t>(m_names.size() - 1);
}

bool PaidRecord::Add(const std::vector<PaidPayment>& payments, std::int32_t processingDate, std::int64_t written,
                     int layout, const std::string& fileName)
{
    if (payments.empty())
        return true;
    if (processingDate < 0 || written < 0 || !IsDateNumber(static_cast<std::uint64_t>(processingDate)) ||
        !IsStampNumber(static_cast<std::uint64_t>(written)))
        return false;
    PaidEntry e;
    e.processingDate = processingDate;
    e.written = written;
    e.file = NameIndex(fileName);
    e.layout = static_cast<std::uint8_t>(layout >= 0 && layout < kLayouts ? layout : 0);
    for (const PaidPayment& payment : payments) {
        e.digest = DigestOf(payment);
        m_entries.push_back(e);
    }
    m_index.clear();
    return true;
}

void PaidRecord::Prune(std::int64_t now)
{
    const std::int64_t cutOff = StampMonthsBefore(now, kKeptMonths);
    if (m_entries.RemoveIf([cutOff](const PaidEntry& e) { return e.written < cutOff; }) > 0)
        m_index.clear();
    // The names still referred to, renumbered in their order.
    std::vector<std::uint32_t> renumbered(m_names.size(), 0);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        renumbered[m_entries[i].file] = 1;
    std::vector<std::string> kept;
    for (std::size_t n = 0; n < m_names.size(); ++n)
        if (renumbered[n]) {
            renumbered[n] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(std::move(m_names[n]));
        }
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i].file = renumbered[m_entries[i].file];
    m_names = std::move(kept);
}

const PaidEntry* PaidRecord::Find(const Sip128& digest, std::int64_t since) const
{
    if (m_entries.empty())
        return nullptr;
    if (m_index.empty()) {
        m_index.ResetFor(2 * m_entries.size());
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            m_index.Occupy(DigestSlot(m_entries[i].digest, 0, m_index.size() - 1), static_cast<std::uint32_t>(i + 1));
    }
    const std::size_t mask = m_index.size() - 1;
    const PaidEntry* latest = nullptr;
    for (std::size_t slot = DigestSlot(digest, 0, mask); m_index[slot]; slot = (slot + 1) & mask) {
        const PaidEntry& e = m_entries[m_index[slot] - 1];
        if (e.digest == digest && e.written >= since && (!latest || e.written >= latest->written))
            latest = &e;
    }
    return latest;
}

std::optional<PaidBefore> PaidRecord::Find(const PaidPayment& payment, std::int64_t since) const
{
    const PaidEntry* e = Find(DigestOf(payment), since);
    if (!e)
        return std::nullopt;
    return Before(*e);
}

std::vector<PaidWriting> PaidRecord::Writings() const
{
    std::vector<PaidWriting> writings;
    // Where each (written, file) is in writings.
    std::map<std::pair<std::int64_t, std::uint32_t>, std::size_t> seen;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const PaidEntry& e = m_entries[i];
        const auto added = seen.emplace(std::make_pair(e.written, e.file), writings.size());
        if (added.second)
            writings.push_back({e.written, m_names[e.file], e.processingDate, e.layout, 0});
        ++writings[added.first->second].count;
    }
    std::sort(writings.begin(), writings.end(), [](const PaidWriting& a, const PaidWriting& b) {
        return std::tie(a.written, a.fileName) < std::tie(b.written, b.fileName);
    });
    return writings;
}

bool PaidRecord::Write(const ByteSink& sink) const
{
    CheckedSink out(sink);
    char header[kHeaderSize];
    std::memcpy(header, kMagic, kMagicSize);
    std::memcpy(header + kMagicSize, m_key.data(), m_key.size());
    PutLittle(header + kMagicSize + 16, m_names.size(), 4);
    PutLittle(header + kMagicSize + 20, m_entries.size(), 4);
    if (!out.Put(header, sizeof header))
        return false;
    for (const std::string& name : m_names) {
        char size[2];
        PutLittle(size, name.size(), 2);
        if (!out.Put(size, sizeof size) || !out.Put(name.data(), name.size()))
            return false;
    }
    return out.PutRecords(m_entries.size(), kEntrySize, [this](std::size_t i, char* p) { PutEntry(p, m_entries[i]); }) &&
           out.Finish();
}

std::string PaidRecord::Serialize() const
{
    std::string out;
    Write(StringSink(out));
    return out;
}

bool PaidRecord::ReadNames(CheckedSource& in, std::uint64_t count, std::string& why)
{
    // Each name is read as it comes: a count beyond what the file holds ends
    // in "cut short", not in a list made for it.
    for (std::uint64_t n = 0; n < count; ++n) {
        char size[2];
        if (!in.Get(size, sizeof size, why))
            return false;
        std::string name(static_cast<std::size_t>(GetLittle(size, 2)), '\0');
        if (!in.Get(&name[0], name.size(), why))
            return false;
        m_names.push_back(std::move(name));
    }
    return true;
}

bool PaidRecord::Read(const ByteSource& source, std::string& why)
{
    *this = PaidRecord();
    CheckedSource in(source);
    // What a file cut short does not fill stays zero, never the magic.
    char header[kHeaderSize] = {};
    const bool whole = in.Get(header, sizeof header, why);
    if (std::memcmp(header, kMagic, kMagicSize) != 0)
        why = "not a paid record";
    if (!whole || std::memcmp(header, kMagic, kMagicSize) != 0)
        return false;
    PaidRecord read;
    std::memcpy(read.m_key.data(), header + kMagicSize, read.m_key.size());
    if (!read.ReadNames(in, GetLittle(header + kMagicSize + 16, 4), why))
        return false;
    const std::size_t names = read.m_names.size();
    BlockList<PaidEntry>& entries = read.m_entries;
    auto take = [&entries, names](const char* p) {
        PaidEntry e;
        return GetEntry(p, names, e) && (entries.push_back(e), true);
    };
    if (!in.GetRecords(GetLittle(header + kMagicSize + 20, 4), kEntrySize, take, why) || !in.Finish(why))
        return false;
    *this = std::move(read);
    return true;
}

bool PaidRecord::Parse(const std::string& text, std::string& why)
{
    return Read(StringSource(text), why);
}

} // namespace qf
