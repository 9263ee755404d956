#pragma once

#include "core/catalog/data_files.h"
#include "core/settings/program_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr std::uint8_t Chosen = 255;
inline constexpr std::uint8_t NotChosen = 0;

/// The program-wide state the main window owns. Every command reads it when
/// it runs and keeps no copy between runs. The choice of table, areas and
/// quarters lives here; the status bar only shows it.
struct ProgramState {
    bool Unsuppressed = false;
    std::string ProgramFolder; ///< ends in '/'
    std::string DataFolder;    ///< ends in '/', or empty when not found
    /// The chosen table ("ZR4"); empty until one is chosen.
    std::string TableCode;
    int CurrentArea = 0;       ///< 0 before any area is shown, else 1..60
    /// Index 1..60 is the area number; index 0 is unused.
    std::array<std::uint8_t, AreaCount + 1> AreaSelected{};
    /// Index 1..QuarterCount of the chosen table; index 0 is unused.
    std::vector<std::uint8_t> QuarterSelected;
    bool ViewForward = true;
    /// The display font, the default window size and "Reverse years" (whose
    /// check mark is the menu item's); DisplaySettings holds their defaults.
    DisplaySettings Display;
    /// True while print-all builds its windows: they are built small, of kind
    /// PrintAll, and their grids do not follow the window's size. Set only
    /// by a PrintAllScope.
    bool PrintAllMode = false;
    /// The help file named at start-up: ProgramFolder + "tarvel.hlp" when it
    /// exists, else DataFolder + "tarvel.hlp".
    std::string HelpFile;

    DataPaths Paths() const { return {ProgramFolder, DataFolder, Unsuppressed}; }
};

/// A print-all run's hold on the program state: PrintAllMode is set while
/// it lives; when it ends, however the run ends (done, cancelled, failed,
/// an early return or an exception), PrintAllMode is cleared and
/// CurrentArea is the area it was when the run began.
class PrintAllScope {
public:
    explicit PrintAllScope(ProgramState &state) : m_state(state), m_area(state.CurrentArea)
    {
        m_state.PrintAllMode = true;
    }
    ~PrintAllScope()
    {
        m_state.CurrentArea = m_area;
        m_state.PrintAllMode = false;
    }
    PrintAllScope(const PrintAllScope &) = delete;
    PrintAllScope &operator=(const PrintAllScope &) = delete;

private:
    ProgramState &m_state;
    int m_area;
};

} // namespace tarvel
