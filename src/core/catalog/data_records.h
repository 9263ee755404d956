#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// A record of a table data file: five leading fields (area code, region
// code, table code, line code, one unused), one value field per quarter,
// then the flags, one character per quarter ('0' published, '1' withheld
// as "(D)", anything else withheld as "(N)"), all split at commas.

/// One record split at its commas into strings of its own.
struct DataRecord {
    std::string areaCode;   ///< field 0
    std::string regionCode; ///< field 1
    std::string lineCode;   ///< field 3
    std::string field4;     ///< read and kept, not used
    std::vector<std::string> fields; ///< every field, the last without its line end
    std::string flags;      ///< the last field: one character per quarter

    /// Value text of quarter k (1-based): field k + 4 cut to 10 characters;
    /// empty when the record has no such field.
    std::string ValueText(int k) const;
    /// Flag character of quarter k; a blank when the flag field is shorter.
    char Flag(int k) const;
};

/// Splits one record (with or without its line end) at every comma.
DataRecord ParseDataRecord(std::string_view bytes);

/// One record split at its commas without copying: views into bytes the
/// caller keeps while the view is used. Split again for the next record;
/// the field list keeps its storage, so the loops over many records make
/// no allocation per record. Fields as in DataRecord.
struct DataRecordView {
    std::vector<std::string_view> fields;
    std::string_view flags; ///< the last field
    /// The end of the bytes the fields were split from (the flags' end):
    /// the bytes from any field up to it may be read in blocks.
    const char *end = nullptr;

    void Split(std::string_view bytes);
    /// Field i, or an empty view past the last.
    std::string_view Field(std::size_t i) const
    {
        return i < fields.size() ? fields[i] : std::string_view();
    }
    /// As DataRecord::ValueText.
    std::string_view ValueText(int k) const
    {
        const std::size_t index = static_cast<std::size_t>(k) + 4;
        if (k < 1 || fields.size() < 2 || index >= fields.size() - 1)
            return {};
        return fields[index].substr(0, 10);
    }
    /// As DataRecord::Flag.
    char Flag(int k) const
    {
        return k < 1 || static_cast<std::size_t>(k) > flags.size() ? ' ' : flags[static_cast<std::size_t>(k - 1)];
    }
};

} // namespace tarvel
