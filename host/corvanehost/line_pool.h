// Memory for statement lines and their texts. An import adds tens of
// thousands of lines, each with a few short texts: taking every piece from
// the heap on its own costs more than the rest of the host's work. Pieces
// are cut one after the other from blocks of a megabyte; a block goes back
// to the heap when the last piece cut from it is freed. A freed piece is
// not reused, so a line whose texts are replaced over and over pins at most
// the block its current texts are in.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvane {

namespace line_pool {
// size bytes, aligned for a pointer or a double; throws std::bad_alloc.
// Safe from any thread.
void* Allocate(std::size_t size);
// A piece from Allocate (null is ignored).
void Free(void* piece) noexcept;
// Blocks held now: for tests and leak checks.
long Blocks() noexcept;
} // namespace line_pool

// A text of a statement line in the pool: null when empty. Replacing it
// frees the old piece only once the new one is made.
class LineText {
public:
    LineText() = default;
    ~LineText() { line_pool::Free(m_piece); }
    LineText(const LineText&) = delete;
    LineText& operator=(const LineText&) = delete;

    // length characters from text (embedded nulls included); text may be
    // null when length is 0. Throws std::bad_alloc, leaving the text as it was.
    void Assign(const wchar_t* text, std::uint32_t length);
    const wchar_t* data() const { return m_piece ? reinterpret_cast<const wchar_t*>(m_piece + 1) : L""; }
    std::uint32_t size() const { return m_piece ? *m_piece : 0; }

private:
    std::uint32_t* m_piece = nullptr; // the length, then the characters
};

} // namespace corvane
