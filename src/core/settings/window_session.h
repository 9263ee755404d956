#pragma once

#include "core/catalog/failure.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel {

/// One open window as the next start reopens it.
struct WindowState {
    std::string Kind;          ///< "table", "one-line", "chart", "map"...: the viewer's own names
    std::string Code;          ///< the table shown
    int Area = 0;              ///< a table view's area (1..60); else 0
    int Line = 0;              ///< a one-line view's or a map's line; else 0
    std::vector<int> Quarters; ///< the quarters shown, in column order
    std::string Units;         ///< the units' short name; "" for the published values
    int BaseQuarter = 0;       ///< an index's base quarter; else 0
    int SortColumn = 0;        ///< the column sorted by; 0 for the area order
    bool SortHighestFirst = false;
    int X = 0, Y = 0, Width = 0, Height = 0; ///< place and size in the window area
    bool Maximized = false;
    bool Active = false; ///< the window that had the focus
    /// Settings of the window's own kind (a chart's lines and scale, a
    /// map's fixed classes...): name and text, kept as given.
    std::vector<std::pair<std::string, std::string>> Settings;

    /// The text of the setting name; "" when it is not set.
    std::string Setting(std::string_view name) const;
};

/// The open windows of a viewer and the data folder they show.
struct WindowSession {
    std::string DataFolder;
    std::vector<WindowState> Windows;
};

/// The session as its file holds it: a first line naming the format, then
/// one "name=value" line per value, each window's after a "[window]" line,
/// and a last line "end". Bytes below 32, '%' and DEL in a value are written as "%XX".
std::string WindowSessionText(const WindowSession &session);

/// The session of a file's text. Damaged (naming the line) when the first
/// line is not the format's, a line is none of the format's, a number is no
/// number or out of range, or the last line is missing (a file cut short).
Result<WindowSession> ReadWindowSession(std::string_view text, const std::string &fileName);

/// Writes session to file whole or not at all (a temporary file synced and
/// renamed into place): after a crash at any moment the file holds the
/// former session or this one. false, the file as it was, on a failure.
bool SaveWindowSession(const std::string &file, const WindowSession &session);

/// What a start finds in the session file.
struct WindowSessionLoad {
    WindowSession Session; ///< empty when there is none or it was damaged
    /// A damaged file was renamed to SetAsideName; its failure is here.
    std::optional<Failure> Damage;
    std::string SetAsideName;
};

/// Reads the session file. A missing file is an empty session; a damaged one
/// is renamed aside (file + ".damaged", replacing an older one) so that the
/// start goes on and the next save does not overwrite the evidence.
WindowSessionLoad LoadWindowSession(const std::string &file);

} // namespace tarvel
