#pragma once

#include "core/catalog/data_files.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr std::uint8_t Chosen = 255;
inline constexpr std::uint8_t NotChosen = 0;

/// The program-wide state the main window owns. Every command reads it when
/// it runs and keeps no copy between runs.
struct ProgramState {
    bool Unsuppressed = false;
    std::string ProgramFolder; ///< ends in '/'
    std::string DataFolder;    ///< ends in '/', or empty when not found
    int CurrentArea = 0;       ///< 0 before any area is shown, else 1..60
    /// Index 1..60 is the area number; index 0 is unused.
    std::array<std::uint8_t, AreaCount + 1> AreaSelected{};
    /// Index 1..QuarterCount of the selected table; index 0 is unused.
    std::vector<std::uint8_t> QuarterSelected;
    bool ViewForward = true;
    std::string DisplayFontName = "MS Sans Serif";
    int DisplayFontSize = 8;
    bool DisplayFontBold = false;
    bool DisplayFontItalic = false;
    std::int32_t DefaultWindowHeight = 5000; ///< twips
    std::int32_t DefaultWindowWidth = 8000;  ///< twips
    bool Reverse = false; ///< the check mark of "Reverse years"
    /// True while print-all builds its windows: they are built small, tagged
    /// "PrintAll", and their grids do not follow the window's size.
    bool PrintAllMode = false;
    /// The help file named at start-up: ProgramFolder + "tarvel.hlp" when it
    /// exists, else DataFolder + "tarvel.hlp".
    std::string HelpFile;

    DataPaths Paths() const { return {ProgramFolder, DataFolder, Unsuppressed}; }
};

} // namespace tarvel
