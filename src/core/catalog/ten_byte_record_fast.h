#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tarvel {

/// A checked record whose value fields are all ten bytes wide, as the
/// published tables write them: each field is found by its position, with
/// no split of the record (ten_byte_record_fast.cpp). The fields are those
/// of a DataRecordView of the same record; views into the record's bytes,
/// valid while they are. A plain build (TARVEL_PLAIN_CODE) finds no record
/// so, and every record is split.
struct TenByteRecordView {
    static constexpr std::size_t FieldWidth = 10;
    static constexpr std::size_t Stride = FieldWidth + 1;
    /// The bytes that may be read in one block from the start of any value
    /// field, the last one's included.
    static constexpr std::size_t Readable = 24;

    std::array<std::string_view, 5> leading; ///< fields 0-4
    const char *values = nullptr;            ///< quarter 1's value field
    int quarterCount = 0;
    std::string_view flags; ///< the last field
    const char *end = nullptr; ///< as DataRecordView::end

    /// Finds the layout in a record (with or without its line end) with
    /// readable bytes from its start that may be read: five leading fields,
    /// quarterCount value fields of ten bytes and the flags. False for any
    /// other layout, or one whose last value field cannot be read Readable
    /// bytes at a time.
#if !defined(TARVEL_PLAIN_CODE)
    bool Find(std::string_view record, std::size_t readable, int quarterCount);
#else
    bool Find(std::string_view, std::size_t, int) { return false; }
#endif

    /// Field i of the five leading ones; empty past them.
    std::string_view Field(std::size_t i) const { return i < leading.size() ? leading[i] : std::string_view(); }
    /// As DataRecordView::ValueText.
    std::string_view ValueText(int k) const
    {
        if (k < 1 || k > quarterCount)
            return {};
        return {values + Stride * static_cast<std::size_t>(k - 1), FieldWidth};
    }
    /// As DataRecordView::Flag.
    char Flag(int k) const
    {
        return k < 1 || static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
    }
};

} // namespace tarvel
