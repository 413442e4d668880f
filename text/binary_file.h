// Reading and writing the component's binary files (the statement import's
// journal, the record of paid payments) through C stdio, on their own or as
// a file that several processes share (text/shared_file.h).
#pragma once
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "blocks/byte_stream.h"
#include "text/shared_file.h"

namespace qf {

enum class FileState {
    Missing,    // no file yet
    Read,       // read whole
    Unreadable, // there, but could not be opened or read
    Damaged,    // read, but cut short or not such a file
};

// Takes a file's content from source; false with why set when it is cut or
// damaged (or the source failed).
using BinaryReader = std::function<bool(const ByteSource& source, std::string& why)>;
// Puts a file's content into sink; false when a piece could not be written.
using BinaryWriter = std::function<bool(const ByteSink& sink)>;

// Reads a file opened for reading through read, in pieces straight from
// the file (no copy of the whole is made); path only names it in why.
FileState ReadBinaryFile(std::FILE* file, const std::string& path, const BinaryReader& read, std::string& why);
// The same for the file at path, Missing when there is none.
FileState LoadBinaryFile(const std::string& path, const BinaryReader& read, std::string& why);
// The same for a shared file, under its lock (waited for at most waitMs);
// a damaged one is noted, to be kept aside when replaced.
FileState LoadSharedFile(SharedFile& file, const BinaryReader& read, std::string& why, unsigned waitMs);
// What a merge made of the version now in place, from how it was read.
SharedFile::Merge MergeOf(FileState state) noexcept;

// Writes into a file opened for writing; false when a piece could not be
// written.
bool WriteBinaryFile(std::FILE* file, const BinaryWriter& write);

namespace detail {
// How WriteBinaryFile writes the bytes; tests make it fail. nullptr
// restores fwrite. Returns the previous one.
using BinaryWriteFn = std::size_t (*)(const void* data, std::size_t size, std::FILE* file);
BinaryWriteFn SetBinaryWrite(BinaryWriteFn write);
} // namespace detail

} // namespace qf
