// Records whose value fields are all ten bytes wide are read field by field
// where they stand: an export or a table view then reads only the fields it
// shows, and each one sixteen bytes at a time (the bytes after a field, up to
// Readable, belong to the record or the block it was read into). Any other
// layout is split along its commas (DataRecordView), which gives the same
// fields; data_files_test.cpp and export_writer_test.cpp hold the two equal.

#include "core/catalog/ten_byte_record_fast.h"

namespace tarvel {

bool TenByteRecordView::Find(std::string_view record, std::size_t readable, int count)
{
    while (!record.empty() && (record.back() == '\n' || record.back() == '\r'))
        record.remove_suffix(1);
    if (count < 1)
        return false;
    std::size_t at = 0;
    for (std::size_t i = 0; i < leading.size(); ++i) {
        const std::size_t comma = record.find(',', at);
        if (comma == std::string_view::npos)
            return false;
        leading[i] = record.substr(at, comma - at);
        at = comma + 1;
    }
    // A comma after every ten bytes, and none in the flags: count ten-byte
    // value fields.
    const std::size_t flagsAt = at + Stride * static_cast<std::size_t>(count);
    if (flagsAt > record.size() || flagsAt - Stride + Readable > readable)
        return false;
    for (std::size_t comma = at + FieldWidth; comma < flagsAt; comma += Stride) {
        if (record[comma] != ',')
            return false;
    }
    // No comma in the flags: count was the record's own.
    if (record.find(',', flagsAt) != std::string_view::npos)
        return false;
    values = record.data() + at;
    quarterCount = count;
    flags = record.substr(flagsAt);
    end = record.data() + record.size();
    return true;
}

} // namespace tarvel
