// The record of paid payments as a payment run uses it when runs in other
// processes may use the same account's record at the same time: read before
// the run, and after the payment file is written the record with the run's
// payments added put in its place (text/shared_file.h). When another run
// replaced the record meanwhile, the run's payments are added to that one
// instead: both runs' payments are remembered. A crash or a full disk
// leaves the earlier record whole.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "payments/paid/paid_record.h"
#include "text/binary_file.h"
#include "text/shared_file.h"

namespace qf {

// The payments a run wrote to one file. They are kept as payments, not
// digests, until the record is in place: the record they go into may have
// another key than the one the run read (two first runs of an account each
// made one).
struct PaidAddition {
    std::vector<PaidPayment> payments;
    std::int32_t processingDate = 0; // YYYYMMDD
    std::int64_t written = 0;        // YYYYMMDDhhmm, local time
    int layout = 0;                  // 0..3
    std::string fileName;
};

class PaidRecordFile {
public:
    explicit PaidRecordFile(std::string path) : m_file(std::move(path)) {}

    const std::string& Path() const noexcept { return m_file.Path(); }

    // Reads the record (under the lock), noting which version it was.
    // Unless Read, record is left empty and without a key, and a damaged
    // record is kept aside as <path>.damaged when the next one replaces it.
    FileState Load(PaidRecord& record, std::string& why, unsigned waitMs = SharedFile::kWaitMs);
    // Adds the payments to record (given a new random key when it has none),
    // forgets what is older than the kept months before now (YYYYMMDDhhmm)
    // and puts the record in place. When another process replaced the file
    // since Load, the payments are added to that record instead, and record
    // becomes what was put in place. Without a Load first, a file found in
    // place is taken as replaced meanwhile. A date or time that is none
    // fails at once, changing nothing; otherwise record holds the payments
    // afterwards whatever the outcome (a second Save adds them again).
    SharedFile::Outcome Save(PaidRecord& record, const PaidAddition& added, std::int64_t now, std::string& why,
                             unsigned waitMs = SharedFile::kWaitMs);
    // Empties the record: an empty one with a new key takes its place.
    SharedFile::Outcome Forget(std::string& why, unsigned waitMs = SharedFile::kWaitMs);

private:
    SharedFile m_file;
    bool m_loaded = false;
};

} // namespace qf
