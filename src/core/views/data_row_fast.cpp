// The quick ways of writing data cells. A table view shows each value
// rounded to a whole number and grouped ("1,234,567"); read plainly
// (table_view_builder.cpp's DataCellText) that is a number made of the text,
// rounded and formatted again, and a record split into fields first. Here
// the usual value texts become their cell texts from their own digits, and
// a record is read along its commas, or, when its value fields are all ten
// bytes wide (as published), field by field where they stand, each written
// into its cell as two 8-byte words. Every text is the plain reading's, and
// a value the plain reading finds not a number is left to it;
// grid_builders_test.cpp and cell_text_test.cpp hold the two equal on random
// fields and records of every shape.

#include "core/views/data_row_fast.h"

#include "core/catalog/data_files.h"
#include "core/catalog/text_helpers.h"
#include "core/views/table_model.h"
#include "core/views/table_view_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvel::fast {

namespace {

// A usual value text: blanks, a sign, then at most 15 digits with or
// without a point and decimals, and no exponent. It rounds half away from
// zero by its first decimal: with 15 digits or fewer that is exactly what
// reading it into a double and rounding gives, so the digits of its whole
// part (one more when it rounds up) make the text
// WholeNumberText(ReadLeadingNumber()) writes, with no number made of them.
struct UsualValue {
    const char *digits = nullptr; // the whole part, leading zeros skipped
    int count = 0;                // of those digits; 0 for a whole part of zero
    int shown = 0;                // digits shown: count, or count + 1 when all nines round up
    bool negative = false;        // shows a minus (never for a value shown as 0)
    bool roundUp = false;         // the first decimal is 5 or more
    bool wide = false;            // read at once: 20 bytes from the text's start are readable
};

#if defined(__SSE2__)
// The commonest value fields all at once, sixteen bytes from text.data()
// being readable (20, for the writing): blanks, an optional minus, digits with at most one point
// after a digit, up to the field's end, no leading zero, no rounding up of
// a last nine. false when the text is not of that shape (the scalar
// reading takes it).
[[gnu::always_inline]] inline bool ReadCommonValue(std::string_view text, UsualValue &value)
{
    const auto size = static_cast<int>(text.size());
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data()));
    const auto mask = [](__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)); };
    const unsigned valid = (1u << size) - 1;
    const unsigned blank = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))) & valid;
    const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const unsigned digit = mask(_mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(9)), offset)) & valid;
    const unsigned point = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))) & valid;
    const unsigned minus = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('-'))) & valid;
    const unsigned nonBlank = valid & ~blank;
    if (nonBlank == 0)
        return false;
    int start = std::countr_zero(nonBlank);
    value.negative = false;
    if ((minus >> start) & 1u) {
        value.negative = true;
        ++start;
    }
    const unsigned rest = valid & ~((1u << start) - 1);
    if (rest == 0 || (rest & ~(digit | point)) != 0 || (point & (point - 1)) != 0 || ((digit >> start) & 1u) == 0
        || std::popcount(rest & digit) > 15 || text[start] == '0')
        return false;
    // A point that ends the text ("12.") has no decimal to round by: the
    // byte read for it is the point, below '5'.
    const int wholeEnd = point != 0 ? std::countr_zero(point) : size;
    value.roundUp = (point != 0) & (text[static_cast<std::size_t>(std::min(wholeEnd + 1, size - 1))] >= '5');
    if (value.roundUp & (text[static_cast<std::size_t>(wholeEnd - 1)] == '9'))
        return false;
    value.digits = text.data() + start;
    value.count = wholeEnd - start;
    value.shown = value.count;
    value.wide = true;
    return true;
}
#endif

// Reads a usual value text into value; false for any other value text,
// which takes the general reading.
// readable: how many bytes from text.data() may be read (text.size() at least).
[[gnu::always_inline]] inline bool ReadUsualValue(std::string_view text, std::size_t readable, UsualValue &value)
{
#if defined(__SSE2__)
    if (text.size() <= 16 && readable >= 20) {
        if (ReadCommonValue(text, value))
            return true;
    }
#else
    (void)readable;
#endif
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    value = UsualValue();
    if (p != end && (*p == '+' || *p == '-')) {
        value.negative = *p == '-';
        ++p;
    }
    const char *const start = p;
    while (p != end && IsDigit(*p))
        ++p;
    const char *const wholeEnd = p;
    if (wholeEnd == start)
        return false;
    std::ptrdiff_t digits = wholeEnd - start;
    if (p != end && *p == '.') {
        // Decimals, or none ("12.").
        ++p;
        value.roundUp = p != end && IsDigit(*p) && *p >= '5';
        const char *const decimals = p;
        while (p != end && IsDigit(*p))
            ++p;
        digits += p - decimals;
    }
    if (digits > 15 || (p != end && (*p == 'E' || *p == 'e')))
        return false;
    // Blanks may end the text; anything else after the number is left to the
    // general reading, which finds the record damaged.
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    if (p != end)
        return false;
    const char *first = start;
    while (first != wholeEnd && *first == '0')
        ++first;
    value.digits = first;
    value.count = static_cast<int>(wholeEnd - first);
    value.shown = value.count;
    if (value.roundUp && (value.count == 0 || first[value.count - 1] == '9')
        && std::all_of(first, wholeEnd, [](char c) { return c == '9'; }))
        ++value.shown; // 99.5 shows 100
    if (value.shown == 0)
        value.negative = false; // never "-0"
    return true;
}

// Length of the cell text of value: sign, digits, group commas, " *".
inline std::size_t CellTextLength(const UsualValue &value, bool withheld)
{
    const int shown = std::max(value.shown, 1);
    return static_cast<std::size_t>(value.negative) + static_cast<std::size_t>(shown)
        + static_cast<std::size_t>((shown - 1) / 3) + (withheld ? 2 : 0);
}

// Writes the cell text of value, CellTextLength characters, at place.
[[gnu::always_inline]] inline void WriteCellText(char *place, const UsualValue &value, bool withheld)
{
    char *q = place;
    if (value.negative)
        *q++ = '-';
    if (value.shown == 0) {
        *q++ = '0';
    } else if (value.shown != value.count) {
        // All nines rounded up: a one and zeros.
        for (int i = 0; i < value.shown; ++i) {
            if (i != 0 && (value.shown - i) % 3 == 0)
                *q++ = ',';
            *q++ = i == 0 ? '1' : '0';
        }
    } else {
        // The digits as they stand, a comma before each group of three.
        const char *from = value.digits;
        const int groups = (value.shown - 1) / 3;
        const int head = value.shown - 3 * groups;
        if (value.wide) {
            // Four bytes at a time: the head and what follows it, which the
            // first group or the end of the text writes over (the cell has
            // room, the record more bytes), then each group with the digit
            // before it, which its comma takes.
            std::memcpy(q, from, 4);
            q += head;
            from += head;
            for (int g = 0; g < groups; ++g) {
                std::memcpy(q, from - 1, 4);
                q[0] = ',';
                q += 4;
                from += 3;
            }
        } else {
            q[0] = from[0];
            if (head > 1)
                q[1] = from[1];
            if (head > 2)
                q[2] = from[2];
            q += head;
            from += head;
            for (int g = 0; g < groups; ++g) {
                q[0] = ',';
                q[1] = from[0];
                q[2] = from[1];
                q[3] = from[2];
                q += 4;
                from += 3;
            }
        }
        // Rounding up adds one to the last digit, carrying over nines (not
        // all are). The wide reading takes no carry: its last digit is the
        // record's plus one or not, without a branch on the (unforeseeable)
        // first decimal.
        if (value.wide) {
            q[-1] = static_cast<char>(from[-1] + static_cast<char>(value.roundUp));
        } else if (value.roundUp) {
            char *d = q - 1;
            while (*d == '9' || *d == ',') {
                if (*d == '9')
                    *d = '0';
                --d;
            }
            ++*d;
        }
    }
    if (withheld) {
        q[0] = ' ';
        q[1] = '*';
    }
}

#if defined(__SSE2__)
// Published files write every value field ten bytes wide, right-aligned.
constexpr std::size_t FieldWidth = TenByteRecordView::FieldWidth;
// Bytes TenByteValueText reads from a field's start: those a ten-byte
// record lets be read.
constexpr std::size_t TenByteReadable = TenByteRecordView::Readable;

// How the text of a value with `count` whole digits (1..10), a minus or
// not, is laid out from the bytes that start at its first character (x:
// those 8 bytes; z: the 8 from the sixth): each text byte is the byte 0, 1
// or 2 places before it (a comma before it: 1, two: 2) or a comma. Masks
// select the bytes of each distance in the text's first and last eight
// bytes; a text of length L has zeros from L on, where " *" can go.
struct GroupPattern {
    std::uint64_t same = 0, afterOne = 0, afterTwo = 0, commas = 0; // first eight bytes
    std::uint64_t highTwo = 0, highThree = 0, highCommas = 0;        // last eight bytes
    std::uint64_t lastDigit = 0, highLastDigit = 0;                  // one at the last digit
    std::uint64_t star = 0, highStar = 0;                            // " *" after the text
    std::uint64_t length = 0;
};

constexpr std::array<GroupPattern, 2 * (FieldWidth + 1)> GroupPatterns = [] {
    std::array<GroupPattern, 2 * (FieldWidth + 1)> patterns{};
    for (int minus = 0; minus < 2; ++minus) {
        for (int count = 1; count <= static_cast<int>(FieldWidth); ++count) {
            GroupPattern &pattern = patterns[static_cast<std::size_t>(minus * (static_cast<int>(FieldWidth) + 1) + count)];
            int from[16] = {}; // the byte each text byte comes from; -1 a comma
            int length = 0;
            if (minus != 0)
                from[length++] = 0;
            for (int k = 0; k < count; ++k) {
                if (k != 0 && (count - k) % 3 == 0)
                    from[length++] = -1;
                from[length++] = minus + k;
            }
            const auto put = [](std::uint64_t &word, int at, std::uint64_t byte) { word |= byte << (8 * at); };
            for (int i = 0; i < length; ++i) {
                const bool high = i >= 8;
                const int at = i % 8;
                if (from[i] < 0) {
                    put(high ? pattern.highCommas : pattern.commas, at, ',');
                    continue;
                }
                switch (i - from[i]) {
                case 0: put(pattern.same, at, 0xff); break;
                case 1: put(pattern.afterOne, at, 0xff); break;
                case 2: put(high ? pattern.highTwo : pattern.afterTwo, at, 0xff); break;
                case 3: put(pattern.highThree, at, 0xff); break;
                default: throw "a text byte further than three places from its digit";
                }
                if (high && i - from[i] < 2)
                    throw "a text byte past the eighth nearer than two places to its digit";
            }
            put(length - 1 >= 8 ? pattern.highLastDigit : pattern.lastDigit, (length - 1) % 8, 1);
            put(length >= 8 ? pattern.highStar : pattern.star, length % 8, ' ');
            put(length + 1 >= 8 ? pattern.highStar : pattern.star, (length + 1) % 8, '*');
            pattern.length = static_cast<std::uint64_t>(length);
        }
    }
    return patterns;
}();

// The usual shapes of a ten-byte field, by its first byte not blank
// (lead, 0..10), a minus there or not, and where its whole part ends (the
// point, or 10): the field's bytes with each digit as '0'. A shape that is
// not usual (no whole digit) is all '1', which no field so written holds.
struct FieldShape {
    char bytes[16];
};

constexpr std::size_t FieldShapeIndex(int lead, bool minus, int end)
{
    return static_cast<std::size_t>((lead * 2 + static_cast<int>(minus)) * static_cast<int>(FieldWidth + 1) + end);
}

constexpr std::array<FieldShape, (FieldWidth + 1) * 2 * (FieldWidth + 1)> FieldShapes = [] {
    std::array<FieldShape, (FieldWidth + 1) * 2 * (FieldWidth + 1)> shapes{};
    constexpr int width = static_cast<int>(FieldWidth);
    for (int lead = 0; lead <= width; ++lead) {
        for (int minus = 0; minus < 2; ++minus) {
            for (int end = 0; end <= width; ++end) {
                FieldShape &shape = shapes[FieldShapeIndex(lead, minus != 0, end)];
                const int start = lead + minus;
                const bool usual = start < end;
                for (int i = 0; i < 16; ++i) {
                    char byte = '1';
                    if (usual && i < width) {
                        if (i < lead)
                            byte = ' ';
                        else if (i < start)
                            byte = '-';
                        else
                            byte = i == end ? '.' : '0';
                    }
                    shape.bytes[i] = byte;
                }
            }
        }
    }
    return shapes;
}();

// A cell text of at most 15 characters as 16 bytes in memory order, its
// length in the last byte (0: no text).
struct TextBlock {
    std::uint64_t first8 = 0;
    std::uint64_t last8 = 0;

    std::size_t Length() const { return static_cast<std::size_t>(last8 >> 56); }
};

// The number of a ten-byte value field of the usual shape (see
// TenByteValueText) from its bytes' digit values (every other byte zero),
// its points (one bit per byte) and its minus: what ReadLeadingNumber reads
// of it, the digits made one whole number in a few word operations and
// divided by the power of ten of its decimals.
[[gnu::always_inline]] inline double TenByteNumber(__m128i values, unsigned points, bool minus)
{
    auto a = static_cast<std::uint64_t>(_mm_cvtsi128_si64(values));
    auto b = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_srli_si128(values, 8))) & 0xffff;
    // The digits before the point move one byte up, over it: the digits of
    // the field then make one number, the value times 10^decimals.
    int decimals = 0;
    if (points != 0) {
        const int point = std::countr_zero(points);
        decimals = static_cast<int>(FieldWidth) - 1 - point;
        const std::uint64_t beforeA = point >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * point)) - 1;
        const std::uint64_t beforeB = point <= 8 ? 0 : (std::uint64_t{1} << (8 * (point - 8))) - 1;
        const std::uint64_t headA = a & beforeA;
        const std::uint64_t headB = b & beforeB;
        a = (headA << 8) | (a & ~beforeA);
        b = ((headB << 8) | (headA >> 56) | (b & ~beforeB)) & 0xffff;
    }
    // Eight digits, the first in the lowest byte, as one number.
    a = a * 10 + (a >> 8);
    a = (((a & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) + (((a >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32))))
        >> 32;
    const std::uint64_t whole = a * 100 + (b & 0xff) * 10 + (b >> 8);
    static constexpr double Scale[FieldWidth] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const double value = static_cast<double>(whole) / Scale[decimals];
    return minus ? -value : value;
}

// The cell text of a ten-byte value field of the usual shape (blanks, an
// optional minus, digits with at most one point after a digit, up to the
// field's end; no leading zero but a lone one; not all nines rounded up),
// with " *" after it when starred, composed with no branch on its digits.
// Length 0 for any other shape, which takes the general reading. Reads
// TenByteReadable bytes from field. WithNumber: *number is set to the
// field's number (TenByteNumber) when the text is given.
template <bool WithNumber = false>
[[gnu::always_inline]] inline TextBlock TenByteValueText(const char *field, bool starred, double *number = nullptr)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(field));
    const auto mask = [](__m128i m) { return static_cast<unsigned>(_mm_movemask_epi8(m)) & 0x3ffu; };
    const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(9)), offset);
    const unsigned blanks = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
    const unsigned points = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('.')));
    const int lead = std::countr_zero(~blanks); // at most 10: the comma after the field
    const bool minus = field[lead] == '-';
    const int start = lead + static_cast<int>(minus);
    const int end = std::countr_zero(points | (1u << FieldWidth)); // the whole part's end
    const int count = end - start;
    // Blanks only before the value, then digits and at most one point,
    // which has a digit before it: the field's shape, its digits as '0'.
    // No leading zero but a lone one.
    const __m128i shape = _mm_or_si128(_mm_and_si128(digit, _mm_set1_epi8('0')), _mm_andnot_si128(digit, v));
    const __m128i usual
        = _mm_loadu_si128(reinterpret_cast<const __m128i *>(FieldShapes[FieldShapeIndex(lead, minus, end)].bytes));
    if (mask(_mm_cmpeq_epi8(shape, usual)) != 0x3ffu || (field[start] == '0' && (count > 1 || minus)))
        return {};
    if constexpr (WithNumber)
        *number = TenByteNumber(_mm_and_si128(offset, digit), points, minus);
    // Rounded half away from zero by the first decimal: exact for the nine
    // digits a field holds at most.
    bool roundUp = (points != 0) & (end + 1 < static_cast<int>(FieldWidth)) & (field[end + 1] >= '5');
    const GroupPattern &pattern
        = GroupPatterns[static_cast<std::size_t>(static_cast<int>(minus) * static_cast<int>(FieldWidth + 1) + count)];
    std::uint64_t x = 0;
    std::uint64_t z = 0;
    std::memcpy(&x, field + lead, 8);
    std::memcpy(&z, field + lead + 5, 8);
    if (roundUp && field[end - 1] == '9') {
        // The nines that end the whole part turn to zeros, the digit before
        // them goes up by one, in the bytes read (x from lead, z five on);
        // the text then has no digit to add. All nines grow a digit: the
        // general reading takes them.
        const unsigned whole = (1u << end) - (1u << start);
        const unsigned notNine = whole & ~mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('9')));
        if (notNine == 0)
            return {};
        const unsigned raised = 1u << (31 - std::countl_zero(notNine));
        const unsigned zeros = whole & ~(2 * raised - 1);
        // One in each byte whose bit is set (the low eight bits).
        const auto bytes = [](unsigned bits) {
            return ((((bits & 0xffu) * 0x0101010101010101u) & 0x8040201008040201u) + 0x7f7f7f7f7f7f7f7fu) >> 7
                & 0x0101010101010101u;
        };
        x += bytes(raised >> lead) - 9 * bytes(zeros >> lead);
        z += bytes(raised >> (lead + 5)) - 9 * bytes(zeros >> (lead + 5));
        roundUp = false;
    }
    const std::uint64_t up = 0 - static_cast<std::uint64_t>(roundUp);
    const std::uint64_t star = 0 - static_cast<std::uint64_t>(starred);
    TextBlock text;
    text.first8 = ((x & pattern.same) | ((x << 8) & pattern.afterOne) | ((x << 16) & pattern.afterTwo) | pattern.commas)
        + (pattern.lastDigit & up) + (pattern.star & star);
    text.last8 = (((z >> 8) & pattern.highTwo) | (z & pattern.highThree) | pattern.highCommas)
        + (pattern.highLastDigit & up) + (pattern.highStar & star);
    text.last8 |= (pattern.length + (starred ? 2 : 0)) << 56;
    return text;
}
#endif

std::string_view WithheldText(char flag)
{
    return flag == '1' ? "(D)" : "(N)";
}

// One data cell of a row from its flag and value text (readable: bytes that
// may be read from its start), with its own alignment. The usual value is
// written straight into its cell. False, and the cell left as it was, when
// the value is shown and is not a number (IsValueNumber).
[[gnu::always_inline]] inline bool FillCell(Grid &grid, const Grid::RowPlaces &places, int row, int column, char flag,
                                            std::string_view valueText, std::size_t readable, bool unsuppressed,
                                            CellAlignment alignment, Figure *figure)
{
    if (figure)
        *figure = ReadFigure(valueText, flag, unsuppressed);
    const bool withheld = flag != '0';
    if (!withheld || unsuppressed) {
        if (UsualValue value; ReadUsualValue(valueText, readable, value)) {
            const std::size_t length = CellTextLength(value, withheld);
            if (char *const place = places.Place(column, length, alignment)) {
                WriteCellText(place, value, withheld);
                return true;
            }
        }
        std::optional<std::string> text = DataCellText(valueText, flag, unsuppressed);
        if (!text)
            return false;
        grid.SetCell(row, column, std::move(*text));
    } else {
        grid.SetCell(row, column, WithheldText(flag));
    }
    grid.SetCellAlignment(row, column, alignment);
    return true;
}

#if defined(__SSE2__)
// FillCell kept out of the loop over ten-byte fields, which takes only the
// values it cannot write itself here.
[[gnu::noinline]] bool FillOtherCell(Grid &grid, const Grid::RowPlaces &places, int row, int column, char flag,
                                     std::string_view valueText, std::size_t readable, bool unsuppressed,
                                     CellAlignment alignment, Figure *figure)
{
    return FillCell(grid, places, row, column, flag, valueText, readable, unsuppressed, alignment, figure);
}

#endif

#if defined(__SSE2__)
// The data cells of a row whose value fields are FieldWidth bytes wide,
// quarter 1's at values: columns 1.. in the order of quarters. The bytes up
// to end may be read. The first quarter whose value is shown and is not a
// number, or 0.
template <bool Unsuppressed, bool WithFigures>
int FillTenByteRow(Grid &grid, int row, const char *values, std::string_view flags, const std::vector<int> &quarters,
                   const char *end, CellAlignment alignment, Figure *figures)
{
    const Grid::RowPlaces places = grid.Places(row);
    int column = 1;
    for (const int k : quarters) {
        const char *const field = values + (FieldWidth + 1) * static_cast<std::size_t>(k - 1);
        const char flag = static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
        const bool withheld = flag != '0';
        if (Unsuppressed || !withheld) {
            double number = 0;
            if (const TextBlock text = TenByteValueText<WithFigures>(field, Unsuppressed && withheld, &number);
                text.Length() != 0) {
                if constexpr (WithFigures) {
                    figures[column - 1] = {number,
                                           withheld ? FigureState::Confidential : FigureState::Published, flag};
                }
                places.PutBlock(column++, text.first8, text.last8, alignment);
                continue;
            }
        }
        Figure *const figure = WithFigures ? figures + (column - 1) : nullptr;
        if (!FillOtherCell(grid, places, row, column++, flag, std::string_view(field, FieldWidth),
                           static_cast<std::size_t>(end - field), Unsuppressed, alignment, figure))
            return k;
    }
    return 0;
}

#endif

} // namespace

std::optional<std::string> ShownValueText(std::string_view valueText, bool withheld)
{
#if defined(__SSE2__)
    if (valueText.size() == FieldWidth) {
        // As in a record: readable bytes after the field.
        char field[TenByteReadable] = {};
        std::memcpy(field, valueText.data(), FieldWidth);
        if (const TextBlock text = TenByteValueText(field, withheld); text.Length() != 0) {
            char block[16];
            std::memcpy(block, &text.first8, 8);
            std::memcpy(block + 8, &text.last8, 8);
            return std::string(block, text.Length());
        }
    }
#endif
    // Read from a padded copy, as from a record, when the text is short,
    // and written into room past the text, as into a cell.
    char padded[32] = {};
    std::string_view text = valueText;
    if (valueText.size() <= 16) {
        if (!valueText.empty())
            std::memcpy(padded, valueText.data(), valueText.size());
        text = std::string_view(padded, valueText.size());
    }
    if (UsualValue value; ReadUsualValue(text, text.data() == padded ? sizeof padded : text.size(), value)) {
        char room[32]; // a text is at most 24 characters
        const std::size_t length = CellTextLength(value, withheld);
        WriteCellText(room, value, withheld);
        return std::string(room, length);
    }
    return std::nullopt;
}

std::optional<int> FillCheckedRow(Grid &grid, int row, std::string_view record, const std::vector<int> &quarters,
                                  const std::vector<int> &columnOf, bool unsuppressed, CellAlignment alignment,
                                  Figure *figures)
{
    const std::size_t readable = record.size();
    while (!record.empty() && (record.back() == '\n' || record.back() == '\r'))
        record.remove_suffix(1);
#if defined(__SSE2__)
    if (TenByteRecordView tenByte; tenByte.Find(record, readable, static_cast<int>(columnOf.size()) - 1)) {
        const char *const values = tenByte.values;
        const char *const end = record.data() + readable;
        if (figures) {
            if (unsuppressed)
                return FillTenByteRow<true, true>(grid, row, values, tenByte.flags, quarters, end, alignment, figures);
            return FillTenByteRow<false, true>(grid, row, values, tenByte.flags, quarters, end, alignment, figures);
        }
        if (unsuppressed)
            return FillTenByteRow<true, false>(grid, row, values, tenByte.flags, quarters, end, alignment, nullptr);
        return FillTenByteRow<false, false>(grid, row, values, tenByte.flags, quarters, end, alignment, nullptr);
    }
#else
    (void)quarters;
    (void)readable;
#endif
    const std::size_t lastComma = record.rfind(',');
    const std::string_view flags = lastComma == std::string_view::npos ? std::string_view() : record.substr(lastComma + 1);
    const char *const first = record.data();
    const char *const end = first + record.size();
    const Grid::RowPlaces places = grid.Places(row);
    const auto quarterCount = static_cast<int>(columnOf.size()) - 1;
    // Any other layout is read along its commas, found eight bytes at a time
    // (a byte of the word XOR ',' is zero where a comma stands; the classic
    // zero-byte test marks it in its top bit). Field i ends at the i-th comma.
    constexpr std::uint64_t Ones = 0x0101010101010101;
    constexpr std::uint64_t Low7 = 0x7f7f7f7f7f7f7f7f;
    std::size_t begin = 0;
    int field = 0;
    int notANumber = 0;
    const auto take = [&](std::size_t at) {
        // Field `field` is [begin, at): quarter k = field - 4.
        const int k = field - 4;
        if (k >= 1 && k <= quarterCount) {
            const int column = columnOf[static_cast<std::size_t>(k)];
            if (column != 0) {
                const std::string_view valueText(first + begin, std::min<std::size_t>(at - begin, 10));
                const char flag = static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
                if (!FillCell(grid, places, row, column, flag, valueText,
                              static_cast<std::size_t>(end - valueText.data()), unsuppressed, alignment,
                              figures ? figures + (column - 1) : nullptr)
                    && (notANumber == 0 || column < columnOf[static_cast<std::size_t>(notANumber)]))
                    notANumber = k;
            }
        }
        ++field;
        begin = at + 1;
    };
    const std::size_t size = record.size();
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, first + i, 8);
        const std::uint64_t x = word ^ (Ones * ',');
        std::uint64_t commas = ~(((x & Low7) + Low7) | x | Low7);
        while (commas != 0) {
            take(i + static_cast<std::size_t>(std::countr_zero(commas)) / 8);
            commas &= commas - 1;
        }
    }
    for (; i < size; ++i) {
        if (first[i] == ',')
            take(i);
    }
    return notANumber;
}

} // namespace tarvel::fast
