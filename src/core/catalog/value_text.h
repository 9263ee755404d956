#pragma once

#include <cstddef>
#include <string_view>

namespace tarvel {

// A value field of a data record holds a number as text, right-aligned in
// ten bytes as published ("    1234.5", " 1.4347E+06"), or blanks.

/// The leading number of a value text: blanks skipped, then sign, digits,
/// decimal point and digits, exponent, as far as they go; 0 when none, or
/// when the number is beyond what a double holds.
double ReadLeadingNumber(std::string_view text);

/// How many characters of a value field are read: a longer field is cut.
inline constexpr std::size_t ValueTextLength = 10;

/// Whether a value text shown as a number holds one, whole: blanks alone
/// (which read 0), or blanks, an optional sign, digits with or without a
/// point and decimals ("12.", ".5"), an optional exponent ("E+06", "e5"),
/// then nothing but blanks; blanks are spaces and tabs; and not beyond what
/// a double holds ("1E999" would read 0). ReadLeadingNumber then reads every
/// character of it. A text of ValueTextLength characters may end where the
/// cut fell inside its field's number: in a sign or point that no digit
/// follows yet ("         -", read 0) or an exponent mark with or without
/// its sign (" 1.4347E+", read 1.4347). A shown value that does not
/// ("12x4567", "987.6r", "1.2.3", "1E999") makes its record damaged: every
/// reader that turns a value text into a number or a shown number checks it
/// here, and any quicker reading of the usual shapes takes only texts this
/// accepts.
bool IsValueNumber(std::string_view text);

} // namespace tarvel
