#pragma once

#include "core/views/figure.h"
#include "core/views/units.h"

#include <span>
#include <vector>

namespace tarvel {

/// Where a table starts: its quarter 1 is quarter Quarter (1..4) of Year.
struct TableStart {
    int Year = 0;
    int Quarter = 1;
};

/// What to compute for one series (one line of one area).
struct UnitsRequest {
    Units Unit = Units::Level;
    /// The quarters the window shows: table quarter numbers (1 = the table's
    /// first) in column order, oldest or newest first.
    std::vector<int> Shown;
    /// Index: the table quarter number that is 100; 0 takes the oldest
    /// quarter shown (the same figures in either column order).
    int BaseQuarter = 0;
    TableStart Start;
};

/// The computed figures of one series.
struct UnitsResult {
    /// One per shown column; for Annual one per year in Years.
    std::vector<Figure> Figures;
    /// Annual only: the years of the columns. Each year a shown quarter falls
    /// in, once, in the order the shown quarters first reach it (oldest
    /// first for an oldest-first window, newest first for a reversed one);
    /// a year the table does not hold all 4 quarters of is left out.
    std::vector<int> Years;
};

/// The figures of request.Unit from series, the Figures of all the table's
/// quarters (index 0 = quarter 1), and for Share nation, the nation's series
/// of the same line (empty otherwise). The previous quarter and the year
/// before are the table's, whatever the window shows.
///
/// A figure from a withheld input is withheld: "(D)" (flag '1') when any
/// of its inputs is, else "(N)" (flag 'N'). A figure whose inputs lie
/// outside the table, include a blank field, divide by zero or by a base
/// of the other sign, or that is no finite number is "(N)". In unsuppressed
/// mode a figure computed from a Confidential input is Confidential (flag
/// as for withheld ones). Level gives the series' own Figures unchanged.
/// Values are not rounded: FigureText rounds them once.
UnitsResult ComputeUnits(const UnitsRequest &request, std::span<const Figure> series,
                         std::span<const Figure> nation = {});

/// How a figure of this release is set against the same figure of an
/// earlier one.
enum class RevisionKind : std::uint8_t {
    Revision,        ///< this - earlier
    PercentRevision, ///< (this / earlier - 1) * 100
};

/// The figure of a revision, by the rules of ComputeUnits: withheld when
/// either figure is ("(D)" when either is (D), else "(N)"); "(N)" when
/// either is blank or, for a percent, when the earlier value is zero or of
/// the other sign; Confidential when either is.
Figure RevisionFigure(RevisionKind kind, const Figure &now, const Figure &earlier);

} // namespace tarvel
