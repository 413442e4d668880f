// A file that several processes of one Windows user keep up to date, each
// by reading it, doing its work and writing the whole next version, such as
// the statement import's journal of imported lines. Without care the last
// writer's version wins, and whatever another wrote between its read and its
// write is lost.
//
// So each writer puts its version in place under an exclusive lock on a
// lock file beside it (<file>.lock), held only for that step, and first
// looks whether the file is still the version it read. When another writer
// has replaced it meanwhile, the owner of the file merges: reads what is
// there now, takes in what it holds, and the next version is written again
// from that before it takes the file's place. A lock not had within the
// wait given is not waited for any longer: the version is not put in place
// and the caller says so, as for any file that could not be written.
//
// The next version is first written beside the file under a name that only
// this writer uses (<file>.new.<process>-<number>), committed to the disk,
// and then moved over the file in one step: a crash or a full disk leaves
// the old version whole.
#pragma once
#include <cstdio>
#include <functional>
#include <string>

#include "platform/file_lock.h"
#include "text/file_holder.h"

namespace qf {

class SharedFile {
public:
    // What a merge made of the version that another writer put in place.
    enum class Merge {
        Taken,   // its content is in what the writer will write
        Damaged, // it cannot be read as a version: kept as <file>.damaged
        Failed,  // it cannot be read at all: nothing is put in place
    };
    // Writes the whole next version; false when it could not.
    using Writer = std::function<bool(std::FILE* file)>;
    // Takes in the version now in place (null when there is none any more);
    // why says what went wrong.
    using Merger = std::function<Merge(std::FILE* current, std::string& why)>;

    enum class Outcome {
        Replaced, // the next version is in place
        Busy,     // the lock was not had in time: nothing changed
        Failed,   // nothing changed (why says why)
    };

    // How long a writer waits for another to finish putting its version in
    // place before it gives up on its own.
    static constexpr unsigned kWaitMs = 10000;

    explicit SharedFile(std::string path);
    // A next version not put in place is removed.
    ~SharedFile();
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    const std::string& Path() const noexcept { return m_path; }
    // Where the next version is written.
    const std::string& NextPath() const noexcept { return m_next; }

    // Reads the file under the lock, so that no writer replaces it while it
    // is open (Windows would refuse to): read is called with the file open
    // for reading, or with null when it cannot be opened, errno saying why
    // (ENOENT: there is none yet). Notes which version was read. A lock not
    // had within waitMs is not waited for: the file is read without it.
    void Read(const std::function<void(std::FILE* file)>& read, unsigned waitMs);
    // The version read was damaged: if it is still in place when the next
    // version replaces it, it is kept as <file>.damaged.
    void SeenDamaged() noexcept { m_seenDamaged = true; }

    // Writes the next version beside the file and commits it to the disk.
    // False with why set, and nothing left behind, when it could not.
    bool WriteNext(const Writer& write, std::string& why);
    // Puts the next version in the file's place under the lock, waiting at
    // most waitMs for it. When the file is no longer the version read, merge
    // is called with it first and the next version is written again by
    // write. Call WriteNext first.
    Outcome Replace(const Merger& merge, const Writer& write, unsigned waitMs, std::string& why);

private:
    const std::string m_path;
    const std::string m_next;
    platform::FileVersion m_seen;
    bool m_seenKnown = false; // false: the version read is not known, so any is another
    bool m_seenDamaged = false;
    bool m_written = false; // the next version is on the disk, not yet in place
};

} // namespace qf
