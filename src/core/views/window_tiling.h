#pragma once

#include <vector>

namespace tarvel {

// The geometry of the Window menu's arrange commands: where tiled windows
// and the icons of minimized ones go inside the area that holds the child
// windows, without any widget.

/// A window's place inside the area that holds the child windows (pixels).
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect &) const = default;
};

/// Horizontal: the windows stand one above the other, each as wide as the
/// area. Vertical: side by side, each as high as the area.
enum class TileDirection { Horizontal, Vertical };

/// Places for count windows sharing a width x height area. When a window
/// would be thinner than minExtent across the stacking direction, further
/// windows go into a second stack (a column for Horizontal, a row for
/// Vertical), and so on; the last stack shares its space among fewer windows.
/// Nothing for count <= 0 or an empty area.
std::vector<WindowRect> TileWindows(int count, int width, int height, TileDirection direction, int minExtent);

/// Places for the minimized windows' icons (sizes given in order) along the
/// bottom of a width x height area, left to right, a new row above the last
/// when a row is full. Only x and y are set; width and height are the icon's.
std::vector<WindowRect> ArrangeIcons(const std::vector<WindowRect> &icons, int width, int height);

/// Where a new window placed at window goes so that it lies wholly inside a
/// width x height area. It stays where it is when it does already. Else it
/// is made no larger than the area and goes to the first place of a cascade
/// from the top left, (0, 0), (step, step), ..., where it fits and whose
/// corner no other window's top left corner holds; to the top left when
/// there is no such place. An empty area changes nothing.
WindowRect PlaceNewWindow(WindowRect window, int width, int height, const std::vector<WindowRect> &others, int step);

} // namespace tarvel
