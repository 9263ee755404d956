#include "core/help/documents.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/version.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarvel {

namespace {

struct DocumentEntry {
    const char *title;
    const char *file;
    bool displayFont;
};

// mnuDoc 0..2. Only the export formats take the display font; the regions
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

std::optional<DocumentRequest> FootnoteDocument(const DataPaths &paths, std::string_view code, int index)
{
    if (index != 0 && index != 1)
        return std::nullopt;
    DocumentRequest request;
    std::string table(code);
    std::string file;
    if (index == 0) {
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

std::optional<DocumentRequest> Documentation(const DataPaths &paths, int index)
{
    if (paths.Unsuppressed || index < 0 || index >= static_cast<int>(DocumentEntries.size()))
        return std::nullopt;
    const DocumentEntry &entry = DocumentEntries[static_cast<std::size_t>(index)];
    DocumentRequest request;
    request.Path = ResolveDataFile(paths, entry.file);
    request.Caption = entry.title + InBrackets(request.Path);
    request.DisplayFont = entry.displayFont;
    return request;
}

int WholeFontSize(double points)
{
    constexpr double Largest = 32767; // the size is kept as a 16-bit number
    if (!std::isfinite(points) || points < 1)
        return 1;
    if (points > Largest)
        return static_cast<int>(Largest);
    const double below = std::floor(points);
    const double fraction = points - below;
    double whole = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2) != 0))
        whole = below + 1;
    return std::max(1, static_cast<int>(whole));
}

std::string AboutText()
{
    const std::string crlf = "\r\n";
    return "TARVEL 32-bit v." + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "."
        + std::to_string(VersionRevision) + crlf + "June 2008" + crlf + crlf
        + "ZUL Regional Income Statistics Office" + crlf + crlf + "Prepared by the TARVEL project team" + crlf
        + "E-mail: tarvel@example.org" + crlf + "Telephone: (555) 010-0123";
}

std::string AboutLicenceText()
{
    return std::string(CopyrightText) + ". Licensed under the " + LicenceName + ".";
}

std::string AboutLocationsText(const std::string &dataFolder, const std::string &settingsFile,
                               const std::string &helpFile)
{
    const std::string crlf = "\r\n";
    const std::string help = helpFile.empty() ? "(not found)"
        : FileExists(helpFile)                ? helpFile
                                              : helpFile + " (not found)";
    return "Data folder: " + (dataFolder.empty() ? std::string("(none found)") : dataFolder) + crlf
        + "Settings: " + settingsFile + crlf + "Help file: " + help;
}

std::vector<WindowRect> TileWindows(int count, int width, int height, TileDirection direction, int minExtent)
{
    std::vector<WindowRect> places;
    if (count <= 0 || width <= 0 || height <= 0)
        return places;
    // Work as if stacking top to bottom; Vertical swaps the axes at the end.
    const bool vertical = direction == TileDirection::Vertical;
    const int along = vertical ? width : height;  // the stacking direction
    const int across = vertical ? height : width; // the other one
    const int perStack = std::clamp(along / std::max(1, minExtent), 1, count);
    const int stacks = (count + perStack - 1) / perStack;
    places.reserve(static_cast<std::size_t>(count));
    for (int stack = 0; stack < stacks; ++stack) {
        const int first = stack * perStack;
        const int inStack = std::min(perStack, count - first);
        const int left = static_cast<int>(static_cast<long long>(across) * stack / stacks);
        const int right = static_cast<int>(static_cast<long long>(across) * (stack + 1) / stacks);
        for (int i = 0; i < inStack; ++i) {
            const int top = static_cast<int>(static_cast<long long>(along) * i / inStack);
            const int bottom = static_cast<int>(static_cast<long long>(along) * (i + 1) / inStack);
            WindowRect place{left, top, right - left, bottom - top};
            if (vertical)
                place = {top, left, bottom - top, right - left};
            places.push_back(place);
        }
    }
    return places;
}

std::vector<WindowRect> ArrangeIcons(const std::vector<WindowRect> &icons, int width, int height)
{
    std::vector<WindowRect> places;
    places.reserve(icons.size());
    int x = 0;
    int rowBottom = height; // the bottom edge of the row being filled
    int rowHeight = 0;
    for (const WindowRect &icon : icons) {
        // A full row moves the next icons up by its height; a row always
        // takes at least one icon, however narrow the area.
        if (x > 0 && x + icon.width > width) {
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        places.push_back({x, rowBottom - icon.height, icon.width, icon.height});
        x += icon.width;
        rowHeight = std::max(rowHeight, icon.height);
    }
    return places;
}

} // namespace tarvel
