#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvel {

// The two passes over a data record's body (its line end cut off) that the
// readers make: the check that tells a damaged record (its commas, a line
// end inside it) and the split into fields. What the readers call is the
// sixteen-bytes-at-a-time version of record_scan_fast.cpp; the plain ones
// here give the same results and are what a plain build calls.

/// Splits body at every comma into fields (views into body; the list keeps
/// its storage); false when a line end (CR or LF) stands inside body.
bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields);
/// The commas of body; lineEnd says whether a CR or LF stands in it.
std::size_t CountRecordCommas(std::string_view body, bool &lineEnd);

namespace plain {
/// SplitRecordBody byte by byte.
bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields);
/// CountRecordCommas byte by byte.
std::size_t CountRecordCommas(std::string_view body, bool &lineEnd);
} // namespace plain

} // namespace tarvel
