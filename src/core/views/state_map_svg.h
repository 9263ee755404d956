#pragma once

#include "core/views/state_map.h"

#include <string>
#include <string_view>

namespace tarvel {

/// The map as an SVG document: the title block (the caption, the units
/// label, the nation's and the regions' figures), one <g class="tile"> per
/// tile (its <title> the TileTitle, a square filled in its class's colour
/// or hatched when withheld, the abbreviation and, where it fits, the
/// figure's text) and a legend of the classes. Text is the area list's
/// Latin-1, so the document says it is ISO-8859-1; LF line ends.
std::string StateMapSvg(const StateMap &map);

/// text escaped for XML character data and attribute values: & < > " '
/// as entities; a control byte, which XML cannot hold, as '?'.
std::string XmlEscaped(std::string_view text);

} // namespace tarvel
