#pragma once

#include "core/catalog/data_paths.h"
#include "core/catalog/failure.h"
#include "core/views/chart_series.h"
#include "core/views/grid.h"
#include "core/views/table_model.h"
#include "core/views/units.h"

#include <string>
#include <vector>

namespace tarvel {

/// The units a window shows, with the base quarter of an index.
struct UnitsChoice {
    Units Unit = Units::Level;
    /// Index: the table quarter number that is 100; 0 takes the oldest
    /// quarter shown.
    int BaseQuarter = 0;

    bool IsPublished() const { return Unit == Units::Level; }
    friend bool operator==(const UnitsChoice &a, const UnitsChoice &b)
    {
        return a.Unit == b.Unit && (a.Unit != Units::Index || a.BaseQuarter == b.BaseQuarter);
    }
};

/// The words every computed figure is marked with.
inline constexpr std::string_view ComputedNote = "computed from the published values";

/// The index quarter that is 100 for the quarters shown: the chosen one,
/// else the oldest shown; 0 when neither is known.
int IndexBaseQuarter(const UnitsChoice &choice, const std::vector<int> &shown);

/// The units as a caption, a title block and an axis title name them: the
/// entry's name ("Percent change from a year ago"), for an index with its
/// base ("Index, 2008.1 = 100"); "As published" for Level.
std::string UnitsLabel(const std::string &code, const UnitsChoice &choice, const std::vector<int> &shown);

/// What a window of computed figures adds to its caption and its first
/// lines: " ~ " + UnitsLabel + ", computed from the published values";
/// "" for the published values.
std::string ComputedCaptionSuffix(const TableModel &model);

/// The unit of a computed row's figures: the published row's own for a
/// change or an annual average, "percent" for a percent change or a share,
/// "index" for an index.
std::string ComputedRowUnit(Units unit, const std::string &publishedUnit);

/// The grid of model's figures as a window shows them: row 0 the quarter
/// labels (the years of annual averages), column 0 the row titles, each
/// figure's text in its units (FigureText), heading and spacer rows as a
/// table view or a one-line view lays them out. For published figures the
/// same cells, alignments and half-height rows as the builders write. The
/// caption, kind, area and line are the caller's to set.
Grid RenderGrid(const TableModel &model);

/// published (a table view, a ZR1 window or a one-line view, built with its
/// model) in the chosen units. The figures are computed from the series of
/// all the table's quarters, read again from the data folder (and for a
/// share the nation's), so the previous quarter and the year before are
/// the table's whatever the window shows; rows are matched by their code,
/// so a sorted window keeps its order. The caption gets
/// ComputedCaptionSuffix. Level gives published itself. Usage when
/// published has no model or the base lies outside the table; a data file
/// that cannot be read gives its failure.
Result<Grid> ComputeGrid(const Grid &published, const UnitsChoice &choice, const DataPaths &paths);

/// The units a grid's figures are in: those of its model, Level for a grid
/// without one.
UnitsChoice UnitsOf(const Grid &grid);

/// The value axis title of a chart of computed figures: the units' label,
/// the published unit after it where the figures keep it (a change, an
/// annual average), and ", computed from the published values".
std::string ComputedAxisTitle(const TableModel &computed, const std::string &publishedUnit);

/// chart, built from the published values of a window's lines, drawn in
/// the units of computed (the model of the same window in those units):
/// each line's points are its row's figures, oldest first (for annual
/// averages one per year, Quarter 0), with the texts the window shows; the
/// unit is ComputedAxisTitle and a unit that can be below zero allows no
/// logarithmic scale. Published figures give chart itself. Usage when a
/// line has no row in computed.
Result<ChartData> ChartInUnits(ChartData chart, const TableModel &computed);

} // namespace tarvel
