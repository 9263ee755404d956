#include "bench_data.h"

#include "core/catalog/table_catalog.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

#ifndef TARVEL_SAMPLE_DATA
#error "TARVEL_SAMPLE_DATA names the sample data folder"
#endif

namespace tarvel::bench {

namespace {

// Writes count bytes taken from bytes over and over.
void WriteCycled(std::ofstream &out, const std::string &bytes, std::int64_t count)
{
    while (count > 0 && !bytes.empty()) {
        const std::int64_t part = std::min<std::int64_t>(count, static_cast<std::int64_t>(bytes.size()));
        out.write(bytes.data(), static_cast<std::streamsize>(part));
        count -= part;
    }
}

} // namespace

DataPaths SamplePaths()
{
    const std::string folder = std::string(TARVEL_SAMPLE_DATA) + "/";
    return {folder, folder, false};
}

std::vector<std::uint8_t> AllQuarters(std::string_view code)
{
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(QuarterCount(code)) + 1, 255);
    flags[0] = 0;
    return flags;
}

const std::string &OutputFolder()
{
    static const std::string folder = [] {
        std::error_code ignored;
        const std::filesystem::path path =
            std::filesystem::temp_directory_path(ignored) / ("tarvel-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path, ignored);
        return path.string() + "/";
    }();
    return folder;
}

void RemoveOutputFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(OutputFolder(), ignored);
}

std::int64_t FileSize(const std::string &path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

bool ReadAndWriteFloor(const DataPaths &paths, std::string_view code, const std::string &output,
                       std::int64_t totalBytes)
{
    return ReadAndWriteFloor(paths, code, output, totalBytes, AreaCount * (code == "ZR1" ? 1 : LineCount(code)));
}

bool ReadAndWriteFloor(const DataPaths &paths, std::string_view code, const std::string &output,
                       std::int64_t totalBytes, int records)
{
    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(paths, code), code);
    if (!data || records < 1)
        return false;
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const std::int64_t share = totalBytes / records;
    std::int64_t rest = totalBytes % records;
    std::string bytes;
    for (int n = 0; n < records; ++n) {
        // Every other record: no read follows the one before, so none is
        // served from the block read ahead.
        const int index = n % 2 == 0 ? n / 2 : records - 1 - n / 2;
        if (data->ReadBytesInto(static_cast<std::int64_t>(index) * data->RecordLength() + 1, bytes))
            return false;
        WriteCycled(out, bytes, share + rest);
        rest = 0;
    }
    out.close();
    return static_cast<bool>(out);
}

} // namespace tarvel::bench
