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

// A text of a statement line in the pool: null when empty. A text whose
// characters are all below U+0100 (most are) is kept a byte a character.
// Replacing it frees the old piece only once the new one is made.
class LineText {
public:
    LineText() = default;
    ~LineText() { line_pool::Free(m_piece); }
    LineText(const LineText&) = delete;
    LineText& operator=(const LineText&) = delete;

    // length characters from text (embedded nulls included); text may be
    // null when length is 0. Throws std::bad_alloc, leaving the text as it was.
    void Assign(const wchar_t* text, std::uint32_t length);
    std::uint32_t size() const { return m_piece ? *m_piece & kLength : 0; }
    // Writes the size() characters to out.
    void CopyTo(wchar_t* out) const;

private:
    static constexpr std::uint32_t kNarrow = 0x80000000u;
    static constexpr std::uint32_t kLength = 0x7FFFFFFFu;
    std::uint32_t* m_piece = nullptr; // the length (and kNarrow), then the characters
};

} // namespace corvane
