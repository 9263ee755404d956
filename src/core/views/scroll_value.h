#pragma once

#include <string>
#include <string_view>

namespace tarvel {

// The height / width dialog edits a size in twips with a slider and a text
// box; the slider always holds the value that OK stores.
inline constexpr int ScrollMinimum = 10;
inline constexpr int ScrollMaximum = 15000;
/// The size the dialog edits: the default window height ("&Height...") or
/// width ("&Width...").
enum class SizeKind { Height, Width };

/// The slider value for the text box's text when the box loses the focus:
/// the number the text begins with (0 when none) is moved to minimum or
/// maximum when outside them, then rounded to a whole number, halves to the
/// even neighbour. Always within minimum..maximum.
int ScrollValueFromText(std::string_view text, int minimum = ScrollMinimum, int maximum = ScrollMaximum);

/// The text box's text for a value: a blank, then the digits (" 5000").
std::string ScrollValueText(int value);

/// "Select new " + the menu caption without its '&' characters.
std::string ScrollDialogCaption(std::string_view menuCaption);

} // namespace tarvel
