#pragma once

#include "core/catalog/data_files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::bench {

/// The sample data folder the build writes beside the programs, as both the
/// program and the data folder (ends in '/').
DataPaths SamplePaths();

/// Quarter flags of code with every quarter chosen.
std::vector<std::uint8_t> AllQuarters(std::string_view code);

/// A folder of this process for the files the benchmarks write (ends in
/// '/'); created on first use, removed by RemoveOutputFolder.
const std::string &OutputFolder();
void RemoveOutputFolder();

/// Size of a file in bytes; 0 when it does not exist.
std::int64_t FileSize(const std::string &path);

/// The floor of a file job: every record of every area of code read with
/// one positioned read, and totalBytes written to output (a new file),
/// spread evenly over the records. false when a read or write failed.
bool ReadAndWriteFloor(const DataPaths &paths, std::string_view code, const std::string &output,
                       std::int64_t totalBytes);
/// The same for the first `records` records of the file only.
bool ReadAndWriteFloor(const DataPaths &paths, std::string_view code, const std::string &output,
                       std::int64_t totalBytes, int records);

} // namespace tarvel::bench
