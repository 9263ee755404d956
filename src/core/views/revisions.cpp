#include "core/views/revisions.h"

#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

namespace tarvel {

namespace {

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

std::vector<std::uint8_t> QuartersShown(const std::string &code, const std::vector<int> &quarters)
{
    const int count = QuarterCount(code);
    std::vector<std::uint8_t> shown(static_cast<std::size_t>(count) + 1, quarters.empty() ? 255 : 0);
    shown[0] = 0;
    for (const int k : quarters) {
        if (k >= 1 && k <= count)
            shown[static_cast<std::size_t>(k)] = 255;
    }
    return shown;
}

} // namespace

DataPaths OtherReleasePaths(const std::string &folder, bool unsuppressed)
{
    const std::string base = WithTrailingSlash(folder);
    return DataPaths{base, base, unsuppressed};
}

std::optional<Failure> CheckOtherRelease(const DataPaths &paths, const std::string &folder)
{
    namespace fs = std::filesystem;
    if (folder.empty())
        return UsageFailure("no folder of another release is given");
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return UsageFailure(folder + " is not a folder that can be reached");
    if (!DataFilesPresent(folder))
        return UsageFailure(folder + " is not a data folder: it holds no ZR5N.DFX and ZR7N.DFX");
    std::error_code same;
    if (!paths.DataFolder.empty() && fs::equivalent(folder, paths.DataFolder, same))
        return UsageFailure(folder + " is the data folder itself: choose the folder of another release");
    return std::nullopt;
}

std::optional<Failure> CheckSameLines(const std::string &code, const DataPaths &paths, const DataPaths &other)
{
    Result<std::vector<std::string>> here = ReadLineTitles(LineTitleFileName(paths, code), code);
    if (!here)
        return here.Error();
    Result<std::vector<std::string>> there = ReadLineTitles(LineTitleFileName(other, code), code);
    if (!there)
        return there.Error();
    const std::size_t lines = std::max(here->size(), there->size());
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string line = "line " + std::to_string(i + 1) + " of " + code;
        if (i >= here->size() || i >= there->size()) {
            return UsageFailure("the releases hold different lines: " + line + " is only in "
                                + (i < here->size() ? paths.DataFolder : other.DataFolder));
        }
        if (Trim((*here)[i]) != Trim((*there)[i])) {
            return UsageFailure("the releases hold different lines: " + line + " is \"" + Trim((*here)[i])
                                + "\" here and \"" + Trim((*there)[i]) + "\" in " + other.DataFolder);
        }
    }
    return std::nullopt;
}

Result<std::vector<RevisionEntry>> LargestRevisions(const std::string &code, const std::vector<int> &quarters,
                                                    const DataPaths &paths, const DataPaths &other, std::size_t top)
{
    if (LineCount(code) == 0)
        return UsageFailure("the table " + code + " is not in the catalog");
    if (std::optional<Failure> differ = CheckSameLines(code, paths, other))
        return *differ;
    const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
    TableViewRequest request;
    request.Code = code;
    request.QuarterSelected = QuartersShown(code, quarters);
    TableViewFiles hereFiles;
    TableViewFiles thereFiles;

    std::vector<RevisionEntry> entries;
    const int areas = areaRows ? 1 : AreaCount;
    for (int area = 1; area <= areas; ++area) {
        request.CurrentArea = area;
        request.Paths = paths;
        Result<Grid> now = BuildTableView(request, hereFiles);
        if (!now)
            return now.Error();
        request.Paths = other;
        Result<Grid> earlier = BuildTableView(request, thereFiles);
        if (!earlier)
            return earlier.Error();
        const TableModel &a = *now->Model;
        const TableModel &b = *earlier->Model;
        for (std::size_t r = 0; r < a.Rows.size() && r < b.Rows.size(); ++r) {
            const ModelRow &row = a.Rows[r];
            if (row.Kind != RowKind::Data)
                continue;
            for (std::size_t c = 0; c < row.Figures.size() && c < b.Rows[r].Figures.size(); ++c) {
                RevisionEntry entry;
                entry.Area = areaRows ? row.Code : area;
                entry.Line = row.Code;
                entry.Quarter = a.Quarters[c];
                entry.Now = row.Figures[c];
                entry.Earlier = b.Rows[r].Figures[c];
                entry.Percent = RevisionFigure(RevisionKind::PercentRevision, entry.Now, entry.Earlier);
                if (!entry.Percent.HasNumber() || entry.Now.Value == entry.Earlier.Value)
                    continue;
                entry.Revision = RevisionFigure(RevisionKind::Revision, entry.Now, entry.Earlier);
                entries.push_back(entry);
            }
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const RevisionEntry &x, const RevisionEntry &y) {
        return std::fabs(x.Percent.Value) > std::fabs(y.Percent.Value);
    });
    if (top != 0 && entries.size() > top)
        entries.resize(top);
    return entries;
}

} // namespace tarvel
