#pragma once

#include "core/catalog/data_files.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The documents of the Documentation menu, the About text and the geometry
// of the Window menu's arrange commands: what the main window's document and
// view commands decide, without any widget.

/// What a document command opens.
struct DocumentRequest {
    std::string Caption;        ///< the whole window caption, the file in brackets
    std::string Path;           ///< the file read into the window
    bool DisplayFont = false;   ///< the text takes the display font, else the window's own
    bool Unsuppressed = false;  ///< red text on black
};

/// Footnotes (index 0) or summary (index 1) of the table code; ZR1 has no
/// summary of its own and shows ZR5's. In unsuppressed mode the file comes
/// from the data folder only and the caption ends in " UNSUPPRESSED ".
/// nullopt for any other index.
std::optional<DocumentRequest> FootnoteDocument(const DataPaths &paths, std::string_view code, int index);

/// The export formats (0), the regions (1) or the readme (2), from the
/// program folder when the file is there, else the data folder. nullopt in
/// unsuppressed mode and for any other index.
std::optional<DocumentRequest> Documentation(const DataPaths &paths, int index);

/// A font size in points taken to the nearest whole number, halves to the
/// even neighbour (10.5 gives 10, 11.5 gives 12), kept within 1..32767.
int WholeFontSize(double points);

inline constexpr const char *AboutTitle = "About TARVEL";
/// The version line, the date and the contact lines, joined by CR LF.
std::string AboutText();
/// The About box's copyright line, naming the licence:
/// "Copyright (c) YEARS HOLDER. Licensed under the NAME."
std::string AboutLicenceText();
/// The lines the About box adds after AboutText, joined by CR LF: where the
/// data folder, the settings file and the help file are. An empty data
/// folder reads "(none found)"; a help file that does not exist is named
/// with " (not found)" after it.
std::string AboutLocationsText(const std::string &dataFolder, const std::string &settingsFile,
                               const std::string &helpFile);
/// The agency's web site, opened by "ZUL &Web Site".
inline constexpr const char *WebSiteAddress = "https://www.example.org/tarvel";

/// A window's place inside the area that holds the child windows (pixels).
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect &) const = default;
};

/// Horizontal: the windows stand one above the other, each as wide as the
/// area. Vertical: side by side, each as high as the area.
enum class TileDirection { Horizontal, Vertical };

/// Places for count windows sharing a width x height area. When a window
/// would be thinner than minExtent across the stacking direction, further
/// windows go into a second stack (a column for Horizontal, a row for
/// Vertical), and so on; the last stack shares its space among fewer windows.
/// Nothing for count <= 0 or an empty area.
std::vector<WindowRect> TileWindows(int count, int width, int height, TileDirection direction, int minExtent);

/// Places for the minimized windows' icons (sizes given in order) along the
/// bottom of a width x height area, left to right, a new row above the last
/// when a row is full. Only x and y are set; width and height are the icon's.
std::vector<WindowRect> ArrangeIcons(const std::vector<WindowRect> &icons, int width, int height);

} // namespace tarvel
