#pragma once

#include <cstdint>
#include <string_view>

namespace tarvel {

/// What a data cell holds, as the record gives it.
enum class FigureState : std::uint8_t {
    Published,    ///< a number, shown
    Withheld,     ///< not shown: "(D)" for flag '1', "(N)" for any other
    Blank,        ///< the value field holds no number (blanks alone); shown as 0
    Confidential, ///< withheld, but shown with " *" in unsuppressed mode
};

/// One data cell: the value as stored (not rounded) and its state. A
/// withheld cell keeps its record's flag, and its value when the record
/// holds one (what unsuppressed mode shows).
struct Figure {
    double Value = 0.0;
    FigureState State = FigureState::Blank;
    char Flag = '0'; ///< the record's flag; '0' for a published value

    bool HasNumber() const { return State == FigureState::Published || State == FigureState::Confidential; }
    bool IsWithheld() const { return State == FigureState::Withheld; }
    /// The text a withheld cell shows.
    std::string_view WithheldMarker() const { return Flag == '1' ? "(D)" : "(N)"; }

    friend bool operator==(const Figure &a, const Figure &b)
    {
        return a.State == b.State && a.Flag == b.Flag && (a.Value == b.Value || !a.HasNumber());
    }
};

} // namespace tarvel
