#include "payments/paid/paid_record_file.h"

#include <utility>

namespace qf {
namespace {

BinaryReader ReaderOf(PaidRecord& record)
{
    return [&record](const ByteSource& source, std::string& why) { return record.Read(source, why); };
}

SharedFile::Writer WriterOf(const PaidRecord& record)
{
    return [&record](std::FILE* file) {
        return WriteBinaryFile(file, [&record](const ByteSink& sink) { return record.Write(sink); });
    };
}

bool AddTo(PaidRecord& record, const PaidAddition& added, std::int64_t now)
{
    if (!record.Add(added.payments, added.processingDate, added.written, added.layout, added.fileName))
        return false;
    record.Prune(now);
    return true;
}

// Whether a record has a key yet: one made by CreateNew has sixteen random
// bytes, never all zero in practice.
bool HasKey(const PaidRecord& record)
{
    for (std::uint8_t b : record.HashKey())
        if (b)
            return true;
    return false;
}

} // namespace

FileState PaidRecordFile::Load(PaidRecord& record, std::string& why, unsigned waitMs)
{
    const FileState state = LoadSharedFile(m_file, ReaderOf(record), why, waitMs);
    m_loaded = true;
    if (state != FileState::Read)
        record = PaidRecord();
    return state;
}

SharedFile::Outcome PaidRecordFile::Save(PaidRecord& record, const PaidAddition& added, std::int64_t now,
                                         std::string& why, unsigned waitMs)
{
    if (!HasKey(record) && !PaidRecord::CreateNew(record)) {
        why = "no random bytes for the key of " + Path();
        return SharedFile::Outcome::Failed;
    }
    if (!AddTo(record, added, now)) {
        why = "no real date or time for the payments of " + added.fileName;
        return SharedFile::Outcome::Failed;
    }
    if (!m_file.WriteNext(WriterOf(record), why))
        return SharedFile::Outcome::Failed;

    PaidRecord merged;
    bool isMerged = false;
    auto merge = [&](std::FILE* current, std::string& problem) {
        if (!current && !m_loaded) {
            // None then and none now: record goes in as it is.
            return SharedFile::Merge::Taken;
        }
        if (!current) {
            // Removed since it was read (forgotten): only this run's payments
            // are remembered.
            merged = PaidRecord(record.HashKey());
        } else if (const SharedFile::Merge read = MergeOf(ReadBinaryFile(current, Path(), ReaderOf(merged), problem));
                   read != SharedFile::Merge::Taken) {
            return read;
        }
        AddTo(merged, added, now);
        isMerged = true;
        return SharedFile::Merge::Taken;
    };
    const SharedFile::Writer write = [&](std::FILE* file) { return WriterOf(isMerged ? merged : record)(file); };
    const SharedFile::Outcome outcome = m_file.Replace(merge, write, waitMs, why);
    if (outcome == SharedFile::Outcome::Replaced && isMerged)
        record = std::move(merged);
    return outcome;
}

SharedFile::Outcome PaidRecordFile::Forget(std::string& why, unsigned waitMs)
{
    PaidRecord empty;
    if (!PaidRecord::CreateNew(empty)) {
        why = "no random bytes for the key of " + Path();
        return SharedFile::Outcome::Failed;
    }
    if (!m_file.WriteNext(WriterOf(empty), why))
        return SharedFile::Outcome::Failed;
    // Whatever is in place now goes, read or not.
    return m_file.Replace([](std::FILE*, std::string&) { return SharedFile::Merge::Taken; }, WriterOf(empty), waitMs,
                          why);
}

} // namespace qf
