// The record writer's loops over a record that holds every quarter asked
// for. Each field and flag is read where it stands, without the bounds
// checks of ValueText and Flag, and everything the loop reads is held in
// locals: a store through the output pointer may alias any memory, so
// members would be read again for each value. A ten-byte field is read as
// one 16-byte block (the record lets it); a split field when it lies far
// enough from the record's end. Anything the blocks do not take goes
// through PutNumberText, as in the plain loop.

#include "core/export/record_formats_fast.h"

#include "core/catalog/data_records.h"
#include "core/catalog/value_text.h"
#include "core/export/record_formats.h"

namespace tarvel::fast {

namespace {

constexpr std::size_t FieldWidth = TenByteRecordView::FieldWidth;

const char *TenByteField(const TenByteRecordView &record, int quarter)
{
    return record.values + TenByteRecordView::Stride * static_cast<std::size_t>(quarter - 1);
}

bool HoldsQuarters(const TenByteRecordView &record, int highest)
{
    return highest <= record.quarterCount && record.flags.size() >= static_cast<std::size_t>(highest);
}

bool HoldsQuarters(const DataRecordView &record, int highest)
{
    return record.fields.size() >= static_cast<std::size_t>(highest) + 6
        && record.flags.size() >= static_cast<std::size_t>(highest);
}

// The value of a quarter that is not withheld.
char *PutValueOf(char *p, const TenByteRecordView &record, int quarter)
{
    const char *const field = TenByteField(record, quarter);
    if (char *end = PutTenBytePlainNumber(p, field))
        return end;
    return PutNumberText(p, std::string_view(field, FieldWidth));
}

char *PutValueOf(char *p, const DataRecordView &record, int quarter)
{
    const std::string_view text = record.fields[static_cast<std::size_t>(quarter) + 4].substr(0, FieldWidth);
    if (char *end = PutPlainNumber(p, text, record.end))
        return end;
    return PutNumberText(p, text);
}

template <typename Record>
char *PutDelimited(char *p, const Record &record, std::span<const int> quarters, std::string_view delimiterText,
                   std::string_view quote, bool unsuppressed)
{
    if (delimiterText.size() != 1 || (!quarters.empty() && !HoldsQuarters(record, quarters.back())))
        return nullptr;
    const char delimiter = delimiterText[0];
    const char *const flags = record.flags.data();
    for (const int quarter : quarters) {
        *p++ = delimiter;
        const char flag = flags[quarter - 1];
        if (!unsuppressed && flag != '0') {
            p = CopyText(p, quote);
            p = CopyText(p, flag == '1' ? "(D)" : "(N)");
            p = CopyText(p, quote);
            continue;
        }
        p = PutValueOf(p, record, quarter);
        if (!p)
            return nullptr;
    }
    return p;
}

} // namespace

char *PutFixedValues(char *p, const TenByteRecordView &record, std::span<const int> quarters, bool unsuppressed)
{
    if (!quarters.empty() && !HoldsQuarters(record, quarters.back()))
        return nullptr;
    const char *const flags = record.flags.data();
    for (const int quarter : quarters) {
        const char *const field = TenByteField(record, quarter);
        if ((unsuppressed || flags[quarter - 1] == '0') && !IsTenByteNumber(field)
            && !IsValueNumber(std::string_view(field, FieldWidth)))
            return nullptr;
        CopyText(p, std::string_view(field, FieldWidth));
        p += FieldWidth;
    }
    ++p;
    for (const int quarter : quarters)
        *p++ = flags[quarter - 1];
    return p;
}

char *PutDelimitedValues(char *p, const TenByteRecordView &record, std::span<const int> quarters,
                         std::string_view delimiter, std::string_view quote, bool unsuppressed)
{
    return PutDelimited(p, record, quarters, delimiter, quote, unsuppressed);
}

char *PutDelimitedValues(char *p, const DataRecordView &record, std::span<const int> quarters,
                         std::string_view delimiter, std::string_view quote, bool unsuppressed)
{
    return PutDelimited(p, record, quarters, delimiter, quote, unsuppressed);
}

} // namespace tarvel::fast
