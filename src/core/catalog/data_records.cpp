#include "core/catalog/data_records.h"

#include "core/catalog/record_scan.h"


namespace tarvel {

namespace {

constexpr std::size_t ValueTextLength = 10;

std::string_view WithoutLineEnd(std::string_view bytes)
{
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.remove_suffix(1);
    return bytes;
}

} // namespace

std::string DataRecord::ValueText(int k) const
{
    // Value fields stand between field 4 and the flag string (the last field).
    const long index = static_cast<long>(k) + 4;
    if (k < 1 || fields.size() < 2 || index >= static_cast<long>(fields.size()) - 1)
        return {};
    return fields[static_cast<std::size_t>(index)].substr(0, ValueTextLength);
}

char DataRecord::Flag(int k) const
{
    if (k < 1 || static_cast<std::size_t>(k) > flags.size())
        return ' ';
    return flags[static_cast<std::size_t>(k - 1)];
}

DataRecord ParseDataRecord(std::string_view bytes)
{
    DataRecordView view;
    view.Split(bytes);
    DataRecord record;
    record.fields.assign(view.fields.begin(), view.fields.end());
    record.areaCode = view.Field(0);
    record.regionCode = view.Field(1);
    record.lineCode = view.Field(3);
    record.field4 = view.Field(4);
    record.flags = view.flags;
    return record;
}

void DataRecordView::Split(std::string_view bytes)
{
    bytes = WithoutLineEnd(bytes);
    SplitRecordBody(bytes, fields);
    flags = fields.size() > 1 ? fields.back() : std::string_view();
    end = bytes.data() + bytes.size();
}

} // namespace tarvel
