#pragma once

// The quick reading of an export's value fields, sixteen bytes at a time
// (SSE2). A value field written in its shortest form already ("4764053",
// "-12.5", blanks before it) is copied as it stands; record_formats.cpp's
// PutFieldAsWritten decides the same byte by byte, and what this accepts it
// accepts too (export_writer_test.cpp holds the two to one result on random
// records). The fixed-length format asks only whether a field is a number
// (IsNumberBlock), which IsValueNumber decides byte by byte. Inline, in this header: they run once for each value exported,
// inside the record writer's loop. A plain build (TARVEL_PLAIN_CODE), or a
// processor without SSE2, takes every field byte by byte.

#include "core/catalog/copy_text.h"
#include "core/catalog/ten_byte_record_fast.h"

#include <cstddef>
#include <span>
#include <string_view>

#if !defined(TARVEL_PLAIN_CODE) && defined(__SSE2__)
#include <bit>
#include <emmintrin.h>
#endif

namespace tarvel {
struct DataRecordView;
}

namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE) && defined(__SSE2__)

// The common value field, its n bytes (1..15) at s read as one block of
// sixteen: blanks, then a number already in its shortest form ("4764053",
// "-12.5") filling the rest of the field. The number's place in the field
// (past the blanks); -1 when the field is anything else. What this accepts,
// PutFieldAsWritten writes the same, and IsValueNumber accepts.
[[gnu::always_inline]] inline int PlainNumberStart(const char *s, std::size_t n)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
    const unsigned valid = (1u << n) - 1;
    const auto bytesEqual = [&](char c) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)))) & valid;
    };
    const unsigned blanks = bytesEqual(' ') | bytesEqual('\t');
    const auto lead = static_cast<unsigned>(std::countr_zero(~blanks));
    if (lead >= n)
        return -1;
    unsigned start = lead;
    if (start < n && s[start] == '-')
        ++start;
    if (start >= n || s[start] < '1' || s[start] > '9')
        return -1;
    // '0' to '9': the bytes at most 9 above '0'.
    const __m128i fromZero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(
                                _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero)))
        & valid;
    const unsigned number = valid & ~((1u << start) - 1);
    const unsigned points = bytesEqual('.') & number;
    // Digits and at most one point, which has a digit after it and no
    // trailing zero of the decimals.
    if (((digits | points) & number) != number || (points & (points - 1)) != 0)
        return -1;
    if (points != 0 && (points >> (n - 1) != 0 || s[n - 1] == '0'))
        return -1;
    return static_cast<int>(lead);
}

// Writes the number of such a field at p and returns the end; nullptr when
// the field is of any other shape.
[[gnu::always_inline]] inline char *PutPlainNumberBlock(char *p, const char *s, std::size_t n)
{
    const int lead = PlainNumberStart(s, n);
    if (lead < 0)
        return nullptr;
    return CopyText(p, std::string_view(s + lead, n - static_cast<std::size_t>(lead)));
}

// Whether a field of a record (split or not) may be read in a block: not
// too near the end of its record.
inline bool ReadableInBlock(std::string_view text, const char *recordEnd)
{
    const std::size_t n = text.size();
    const char *const s = text.data();
    return n != 0 && n <= 15 && recordEnd != nullptr && s <= recordEnd && recordEnd - s >= 16;
}

// PutPlainNumberBlock for a field of a split record; nullptr too when the
// field cannot be read in a block: PutFieldAsWritten then reads it byte by
// byte.
inline char *PutPlainNumber(char *p, std::string_view text, const char *recordEnd)
{
    if (!ReadableInBlock(text, recordEnd))
        return nullptr;
    return PutPlainNumberBlock(p, text.data(), text.size());
}

// Whether the n bytes (1..15) at s, read as one block of sixteen, hold a
// number of the usual shape: blanks, then an optional minus and digits with
// at most one point, which has a digit after it, filling the rest of the
// field; or blanks alone. The fixed-length format, which writes the field
// as it stands, needs to know only that it is a number, not its shortest
// form (PlainNumberStart): two byte classes are found at once (blanks and
// digits), and the few other bytes, a minus and a point, one by one. What
// this accepts, IsValueNumber accepts; false leaves the text to it.
[[gnu::always_inline]] inline bool IsNumberBlock(const char *s, std::size_t n)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
    const unsigned valid = (1u << n) - 1;
    const unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')))) & valid;
    // '0' to '9': the bytes at most 9 above '0'.
    const __m128i fromZero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(
                                _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero)))
        & valid;
    // The blanks lead: their mask is a run of ones from bit 0.
    if ((blanks & (blanks + 1)) != 0)
        return false;
    const unsigned number = valid & ~blanks;
    unsigned other = number & ~digits;
    if (other == 0)
        return true; // digits after the blanks, or blanks alone
    // A minus in front of the number.
    const unsigned first = number & (0u - number);
    if ((other & first) != 0 && s[std::countr_zero(first)] == '-') {
        other ^= first;
        if (other == 0)
            return digits != 0;
    }
    // Then one point at most, with a digit after it.
    if ((other & (other - 1)) != 0)
        return false;
    const int point = std::countr_zero(other);
    return s[point] == '.' && ((digits >> (point + 1)) & 1u) != 0;
}

// Whether a value field of a record (split or not) is a number of the
// usual shape, read in a block; false for any other shape, and for a field
// too near the end of its record, which IsValueNumber then judges.
inline bool IsNumberShape(std::string_view text, const char *recordEnd)
{
    return ReadableInBlock(text, recordEnd) && IsNumberBlock(text.data(), text.size());
}

// The same for a ten-byte value field, which its record lets be read in a block.
inline bool IsTenByteNumber(const char *field)
{
    static_assert(TenByteRecordView::Readable >= 16);
    return IsNumberBlock(field, TenByteRecordView::FieldWidth);
}

// A ten-byte value field, which its record lets be read in a block.
inline char *PutTenBytePlainNumber(char *p, const char *field)
{
    static_assert(TenByteRecordView::Readable >= 16);
    return PutPlainNumberBlock(p, field, TenByteRecordView::FieldWidth);
}

#else

inline char *PutPlainNumber(char *, std::string_view, const char *)
{
    return nullptr;
}

inline bool IsNumberShape(std::string_view, const char *)
{
    return false;
}

inline bool IsTenByteNumber(const char *)
{
    return false;
}

inline char *PutTenBytePlainNumber(char *, const char *)
{
    return nullptr;
}

#endif

// The record writer's loops over the values of a record that holds every
// quarter asked for (record_formats_fast.cpp): the fields and flags taken
// where they stand, with no bounds check, each field through the block
// readings above. RecordLayout::AppendRecord's loop over PutValue is the
// plain code they equal (export_writer_test.cpp,
// UncheckedValueLoopsWriteWhatTheCheckedOnesWrite); a plain build
// (TARVEL_PLAIN_CODE) has only that loop.

#if !defined(TARVEL_PLAIN_CODE)

/// The values of a fixed-length record at p: each quarter's ten-byte field
/// as it stands, a blank, then the quarters' flags. nullptr, when the record
/// does not hold every quarter or a value written as a number (withheld
/// ones too when unsuppressed) is not one: the plain loop then writes the
/// values and finds the damaged one. quarters: ascending.
char *PutFixedValues(char *p, const TenByteRecordView &record, std::span<const int> quarters, bool unsuppressed);

/// The values of a delimited record at p: for each quarter the delimiter,
/// then the value's shortest form, or "(D)" / "(N)" inside quote for a
/// withheld one (not unsuppressed). Returns the end; nullptr when the
/// delimiter is not one byte, the record does not hold every quarter, or a
/// value is not a number (the plain loop then writes the values).
char *PutDelimitedValues(char *p, const TenByteRecordView &record, std::span<const int> quarters,
                         std::string_view delimiter, std::string_view quote, bool unsuppressed);
char *PutDelimitedValues(char *p, const DataRecordView &record, std::span<const int> quarters,
                         std::string_view delimiter, std::string_view quote, bool unsuppressed);

#else

inline char *PutFixedValues(char *, const TenByteRecordView &, std::span<const int>, bool)
{
    return nullptr;
}

template <typename Record>
char *PutDelimitedValues(char *, const Record &, std::span<const int>, std::string_view, std::string_view, bool)
{
    return nullptr;
}

#endif

} // namespace tarvel::fast
