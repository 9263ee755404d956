#pragma once

#include "core/catalog/copy_text.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvel {

/// A grid cell packed in 16 bytes, the layout of every grid (both builds):
/// a text of up to 15 characters in bytes[0..14] with its length in the low
/// five bits of bytes[15]; or, with LongTag there, the offset and length of
/// a longer text kept elsewhere by the grid (two 32-bit numbers in
/// bytes[0..7]). The high three bits of bytes[15] hold the cell's own
/// alignment (0: none). A grid's cells lie one after another, so a row is
/// an array of these blocks: the fast paths read a row's blocks whole
/// (Grid::RowBlocks) and write a cell's 16 bytes in two words (PutWords);
/// the rest of the program reads and sets cells one by one.
struct PackedCell {
    static constexpr std::size_t Size = 16;
    static constexpr std::size_t InlineLength = 15;
    static constexpr unsigned LengthBits = 0x1f;
    static constexpr unsigned LongTag = LengthBits;
    static constexpr unsigned AlignmentShift = 5;

    char bytes[Size] = {};

    /// The length in a cell's block (its bytes in memory order): at most
    /// InlineLength for a text in place, LongTag for a longer text.
    static std::size_t BlockLength(const char *block)
    {
        return static_cast<unsigned char>(block[InlineLength]) & LengthBits;
    }

    unsigned Tag() const { return static_cast<unsigned char>(bytes[InlineLength]); }
    std::size_t Length() const { return Tag() & LengthBits; }
    bool IsLong() const { return Length() > InlineLength; }
    /// The text in place (not IsLong).
    std::string_view InlineText() const { return std::string_view(bytes, Length()); }
    unsigned Alignment() const { return Tag() >> AlignmentShift; }
    void SetAlignment(unsigned alignment)
    {
        bytes[InlineLength] = static_cast<char>((Tag() & LengthBits) | (alignment << AlignmentShift));
    }

    /// Sets the text in place, of at most InlineLength characters, keeping
    /// the alignment. CopyText reads before it writes, so the text may be
    /// the cell's own.
    void SetInlineText(std::string_view text)
    {
        CopyText(bytes, text);
        SetLength(text.size());
    }
    /// The place for a text of length characters (at most InlineLength)
    /// written by the caller, with the cell's own alignment set.
    char *Place(std::size_t length, unsigned alignment)
    {
        bytes[InlineLength] = static_cast<char>(static_cast<unsigned>(length) | (alignment << AlignmentShift));
        return bytes;
    }
    /// Sets all 16 bytes: first8 and last8 in memory order, the last byte a
    /// length of at most InlineLength, then the alignment put over its high
    /// bits.
    void PutWords(std::uint64_t first8, std::uint64_t last8, unsigned alignment)
    {
        last8 |= std::uint64_t{alignment << AlignmentShift} << 56;
        std::memcpy(bytes, &first8, 8);
        std::memcpy(bytes + 8, &last8, 8);
    }

    /// The place of a long text in the grid's text buffer.
    struct LongPlace {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    LongPlace Long() const
    {
        LongPlace place;
        std::memcpy(&place.offset, bytes, sizeof place.offset);
        std::memcpy(&place.length, bytes + sizeof place.offset, sizeof place.length);
        return place;
    }
    /// Makes the cell a long text's, keeping the alignment.
    void SetLong(LongPlace place)
    {
        std::memcpy(bytes, &place.offset, sizeof place.offset);
        std::memcpy(bytes + sizeof place.offset, &place.length, sizeof place.length);
        SetLength(LongTag);
    }

private:
    void SetLength(std::size_t length)
    {
        bytes[InlineLength] = static_cast<char>((Tag() & ~LengthBits) | static_cast<unsigned>(length));
    }
};

static_assert(sizeof(PackedCell) == PackedCell::Size, "a grid row is an array of 16-byte blocks");

} // namespace tarvel
