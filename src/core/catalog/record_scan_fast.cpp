// The record passes sixteen bytes at a time (SSE2). A record of ZR1 or ZR4
// is some 2,900 bytes, one of ZR5N some 900, and every record read is
// checked, so the byte-by-byte loops of record_scan.cpp would be a good
// share of a read. Equal to them for every input (record_scan_test.cpp holds
// them so on random records); without SSE2 they are used as they are.

#include "core/catalog/record_scan.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvel {

#if defined(__SSE2__)

// One pass: for each block of sixteen bytes a mask of its commas, taken bit
// by bit (fields are short, so most blocks hold one or two), and its line
// ends gathered into one register looked at once, at the end.
bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields)
{
    fields.clear();
    const char *const first = body.data();
    const std::size_t size = body.size();
    std::size_t begin = 0;
    std::size_t i = 0;
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i ends = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + i));
        ends = _mm_or_si128(ends, _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
        while (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(mask));
            fields.emplace_back(first + begin, at - begin);
            begin = at + 1;
            mask &= mask - 1;
        }
    }
    bool lineEnd = _mm_movemask_epi8(ends) != 0;
    for (; i < size; ++i) {
        const char c = first[i];
        if (c == ',') {
            fields.emplace_back(first + begin, i - begin);
            begin = i + 1;
        } else if (c == '\r' || c == '\n') {
            lineEnd = true;
        }
    }
    fields.emplace_back(first + begin, size - begin);
    return !lineEnd;
}

// One pass: the commas of each block counted in its sixteen byte lanes (a
// comparison gives -1 in a lane, subtracted), the lanes summed (_mm_sad_epu8)
// before any can overflow, after at most 255 blocks.
std::size_t CountRecordCommas(std::string_view body, bool &lineEnd)
{
    const char *const first = body.data();
    const std::size_t size = body.size();
    std::size_t commas = 0;
    std::size_t i = 0;
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i ends = _mm_setzero_si128();
    while (i + 16 <= size) {
        const std::size_t stop = std::min(size - 15, i + 255 * 16);
        __m128i lanes = _mm_setzero_si128();
        for (; i < stop; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(first + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(block, comma));
            ends = _mm_or_si128(ends, _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        commas += static_cast<std::size_t>(_mm_cvtsi128_si32(sums))
            + static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
    lineEnd = _mm_movemask_epi8(ends) != 0;
    for (; i < size; ++i) {
        const char c = first[i];
        commas += c == ',';
        lineEnd |= c == '\r' || c == '\n';
    }
    return commas;
}

#else

bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields)
{
    return plain::SplitRecordBody(body, fields);
}

std::size_t CountRecordCommas(std::string_view body, bool &lineEnd)
{
    return plain::CountRecordCommas(body, lineEnd);
}

#endif

} // namespace tarvel
