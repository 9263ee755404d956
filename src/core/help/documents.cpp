#include "core/help/documents.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"

#include <array>

namespace tarvel {

namespace {

struct DocumentEntry {
    const char *title;
    const char *file;
    bool displayFont;
};

// In DataDocument order. Only the export formats take the display font; the regions
// and the readme are laid out for the window's own fixed font.
constexpr std::array<DocumentEntry, 3> DocumentEntries{{
    {"Format of exported documents", "zrformat.txt", true},
    {"ZUL Regions", "regions.txt", false},
    {"Read Me", "q_readme.txt", false},
}};

std::string InBrackets(const std::string &path)
{
    return " (" + path + ")";
}

} // namespace

DocumentRequest FootnoteDocument(const DataPaths &paths, std::string_view code, TableDocument which)
{
    DocumentRequest request;
    std::string table(code);
    std::string file;
    if (which == TableDocument::Footnotes) {
        // Two blanks between the code and "footnotes", as the captions have always read.
        request.Caption = table + " " + " footnotes";
        file = table + "fn.txt";
    } else {
        // A table may show another's summary (ZR1 shows ZR5's).
        if (const std::string_view summary = SummaryTable(code); !summary.empty())
            table = summary;
        request.Caption = table + " summary";
        file = table + ".doc";
    }
    request.Path = ResolveTableFile(paths, file);
    request.Caption += InBrackets(request.Path);
    request.DisplayFont = true;
    request.Unsuppressed = paths.Unsuppressed;
    if (paths.Unsuppressed)
        request.Caption += " UNSUPPRESSED ";
    return request;
}

std::optional<DocumentRequest> Documentation(const DataPaths &paths, DataDocument which)
{
    const auto index = static_cast<std::size_t>(which);
    if (paths.Unsuppressed || index >= DocumentEntries.size())
        return std::nullopt;
    const DocumentEntry &entry = DocumentEntries[index];
    DocumentRequest request;
    request.Path = ResolveDataFile(paths, entry.file);
    request.Caption = entry.title + InBrackets(request.Path);
    request.DisplayFont = entry.displayFont;
    return request;
}

} // namespace tarvel
