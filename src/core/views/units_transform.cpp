#include "core/views/units_transform.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <optional>

namespace tarvel {

namespace {

constexpr Figure NotAvailable{0.0, FigureState::Withheld, 'N'};

// The Figure of table quarter (1-based) in series; nullptr outside it.
const Figure *At(std::span<const Figure> series, int quarter)
{
    if (quarter < 1 || static_cast<std::size_t>(quarter) > series.size())
        return nullptr;
    return &series[static_cast<std::size_t>(quarter - 1)];
}

// x / base, or nullopt for a zero base or one of the other sign.
std::optional<double> Ratio(double x, double base)
{
    if (base == 0.0 || (x < 0.0 && base > 0.0) || (x > 0.0 && base < 0.0))
        return std::nullopt;
    return x / base;
}

// The figure computed from inputs (nullptr: outside the table) by compute,
// which gives nullopt where the figure has no number. The state of the
// inputs decides first: withheld, then blank, then Confidential.
template <typename Compute>
Figure FromInputs(std::initializer_list<const Figure *> inputs, Compute compute)
{
    bool withheld = false;
    bool blank = false;
    bool confidential = false;
    bool disclosure = false;
    for (const Figure *input : inputs) {
        if (input == nullptr)
            return NotAvailable;
        switch (input->State) {
        case FigureState::Published:
            break;
        case FigureState::Withheld:
            withheld = true;
            break;
        case FigureState::Blank:
            blank = true;
            break;
        case FigureState::Confidential:
            confidential = true;
            break;
        }
        if (input->State == FigureState::Withheld || input->State == FigureState::Confidential)
            disclosure = disclosure || input->Flag == '1';
    }
    const char flag = disclosure ? '1' : 'N';
    if (withheld)
        return {0.0, FigureState::Withheld, flag};
    if (blank)
        return NotAvailable;
    const std::optional<double> value = compute();
    if (!value || !std::isfinite(*value))
        return NotAvailable;
    if (confidential)
        return {*value, FigureState::Confidential, flag};
    return {*value, FigureState::Published, '0'};
}

// The figure of one quarter for the units that follow a single series.
Figure QuarterFigure(Units unit, std::span<const Figure> series, std::span<const Figure> nation, int quarter,
                     int base)
{
    const Figure *now = At(series, quarter);
    switch (unit) {
    case Units::Level:
        return now != nullptr ? *now : NotAvailable;
    case Units::Change:
    case Units::ChangeFromYearAgo: {
        const Figure *then = At(series, quarter - (unit == Units::Change ? 1 : 4));
        return FromInputs({now, then}, [&]() -> std::optional<double> { return now->Value - then->Value; });
    }
    case Units::PercentChange:
    case Units::PercentChangeFromYearAgo: {
        const Figure *then = At(series, quarter - (unit == Units::PercentChange ? 1 : 4));
        return FromInputs({now, then}, [&]() -> std::optional<double> {
            const std::optional<double> ratio = Ratio(now->Value, then->Value);
            return ratio ? std::optional<double>((*ratio - 1.0) * 100.0) : std::nullopt;
        });
    }
    case Units::PercentChangeAnnualRate: {
        const Figure *then = At(series, quarter - 1);
        return FromInputs({now, then}, [&]() -> std::optional<double> {
            const std::optional<double> ratio = Ratio(now->Value, then->Value);
            if (!ratio)
                return std::nullopt;
            const double squared = *ratio * *ratio;
            return (squared * squared - 1.0) * 100.0;
        });
    }
    case Units::Share: {
        const Figure *whole = At(nation, quarter);
        return FromInputs({now, whole}, [&]() -> std::optional<double> {
            const std::optional<double> ratio = Ratio(now->Value, whole->Value);
            return ratio ? std::optional<double>(*ratio * 100.0) : std::nullopt;
        });
    }
    case Units::Index: {
        const Figure *hundred = At(series, base);
        return FromInputs({now, hundred}, [&]() -> std::optional<double> {
            const std::optional<double> ratio = Ratio(now->Value, hundred->Value);
            return ratio ? std::optional<double>(*ratio * 100.0) : std::nullopt;
        });
    }
    case Units::Annual:
        break;
    }
    return NotAvailable;
}

// The calendar year of table quarter (1-based, inside the table).
int YearOf(const TableStart &start, int quarter)
{
    return start.Year + ((start.Quarter - 1) + (quarter - 1)) / 4;
}

UnitsResult AnnualAverages(const UnitsRequest &request, std::span<const Figure> series)
{
    UnitsResult result;
    const TableStart &start = request.Start;
    if (start.Quarter < 1 || start.Quarter > 4)
        return result;
    for (const int quarter : request.Shown) {
        if (At(series, quarter) == nullptr)
            continue;
        const int year = YearOf(start, quarter);
        if (std::find(result.Years.begin(), result.Years.end(), year) != result.Years.end())
            continue;
        // The table quarter number of the year's first quarter.
        const int first = (year - start.Year) * 4 - (start.Quarter - 1) + 1;
        const Figure *q1 = At(series, first);
        const Figure *q2 = At(series, first + 1);
        const Figure *q3 = At(series, first + 2);
        const Figure *q4 = At(series, first + 3);
        if (q1 == nullptr || q4 == nullptr)
            continue; // the table does not hold the whole year
        result.Years.push_back(year);
        result.Figures.push_back(FromInputs({q1, q2, q3, q4}, [&]() -> std::optional<double> {
            return (q1->Value + q2->Value + q3->Value + q4->Value) / 4.0;
        }));
    }
    return result;
}

} // namespace

UnitsResult ComputeUnits(const UnitsRequest &request, std::span<const Figure> series, std::span<const Figure> nation)
{
    if (request.Unit == Units::Annual)
        return AnnualAverages(request, series);
    int base = request.BaseQuarter;
    if (request.Unit == Units::Index && base == 0 && !request.Shown.empty())
        base = *std::min_element(request.Shown.begin(), request.Shown.end());
    UnitsResult result;
    result.Figures.reserve(request.Shown.size());
    for (const int quarter : request.Shown)
        result.Figures.push_back(QuarterFigure(request.Unit, series, nation, quarter, base));
    return result;
}

Figure RevisionFigure(RevisionKind kind, const Figure &now, const Figure &earlier)
{
    return FromInputs({&now, &earlier}, [&]() -> std::optional<double> {
        if (kind == RevisionKind::Revision)
            return now.Value - earlier.Value;
        const std::optional<double> ratio = Ratio(now.Value, earlier.Value);
        return ratio ? std::optional<double>((*ratio - 1.0) * 100.0) : std::nullopt;
    });
}

} // namespace tarvel
