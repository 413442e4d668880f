#include "text/binary_file.h"

#include <cerrno>
#include <cstring>

namespace qf {
namespace {
detail::BinaryWriteFn g_write = nullptr;
} // namespace

FileState ReadBinaryFile(std::FILE* file, const std::string& path, const BinaryReader& read, std::string& why)
{
    std::setvbuf(file, nullptr, _IONBF, 0);
    const bool whole = read([file](char* data, std::size_t size) { return std::fread(data, 1, size, file); }, why);
    if (std::ferror(file) != 0) {
        why = "cannot read " + path;
        return FileState::Unreadable;
    }
    if (!whole) {
        why = path + ": " + why;
        return FileState::Damaged;
    }
    return FileState::Read;
}

FileState LoadBinaryFile(const std::string& path, const BinaryReader& read, std::string& why)
{
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (errno == ENOENT)
            return FileState::Missing;
        why = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return FileState::Unreadable;
    }
    return ReadBinaryFile(file.Get(), path, read, why);
}

FileState LoadSharedFile(SharedFile& file, const BinaryReader& read, std::string& why, unsigned waitMs)
{
    FileState state = FileState::Missing;
    file.Read(
        [&](std::FILE* opened) {
            if (opened) {
                state = ReadBinaryFile(opened, file.Path(), read, why);
            } else if (errno != ENOENT) {
                why = "cannot open " + file.Path() + ": " + std::strerror(errno);
                state = FileState::Unreadable;
            }
        },
        waitMs);
    if (state == FileState::Damaged)
        file.SeenDamaged();
    return state;
}

SharedFile::Merge MergeOf(FileState state) noexcept
{
    switch (state) {
    case FileState::Read:
        return SharedFile::Merge::Taken;
    case FileState::Damaged:
        return SharedFile::Merge::Damaged;
    default:
        return SharedFile::Merge::Failed;
    }
}

bool WriteBinaryFile(std::FILE* file, const BinaryWriter& write)
{
    std::setvbuf(file, nullptr, _IONBF, 0);
    const detail::BinaryWriteFn put =
        g_write ? g_write : [](const void* d, std::size_t s, std::FILE* f) { return std::fwrite(d, 1, s, f); };
    return write([&](const char* data, std::size_t size) { return put(data, size, file) == size; });
}

detail::BinaryWriteFn detail::SetBinaryWrite(BinaryWriteFn write)
{
    const BinaryWriteFn previous = g_write;
    g_write = write;
    return previous;
}

} // namespace qf
