#include "core/views/window_tiling.h"

#include <algorithm>

namespace tarvel {

std::vector<WindowRect> TileWindows(int count, int width, int height, TileDirection direction, int minExtent)
{
    std::vector<WindowRect> places;
    if (count <= 0 || width <= 0 || height <= 0)
        return places;
    // Work as if stacking top to bottom; Vertical swaps the axes at the end.
    const bool vertical = direction == TileDirection::Vertical;
    const int along = vertical ? width : height;  // the stacking direction
    const int across = vertical ? height : width; // the other one
    const int perStack = std::clamp(along / std::max(1, minExtent), 1, count);
    const int stacks = (count + perStack - 1) / perStack;
    places.reserve(static_cast<std::size_t>(count));
    for (int stack = 0; stack < stacks; ++stack) {
        const int first = stack * perStack;
        const int inStack = std::min(perStack, count - first);
        const int left = static_cast<int>(static_cast<long long>(across) * stack / stacks);
        const int right = static_cast<int>(static_cast<long long>(across) * (stack + 1) / stacks);
        for (int i = 0; i < inStack; ++i) {
            const int top = static_cast<int>(static_cast<long long>(along) * i / inStack);
            const int bottom = static_cast<int>(static_cast<long long>(along) * (i + 1) / inStack);
            WindowRect place{left, top, right - left, bottom - top};
            if (vertical)
                place = {top, left, bottom - top, right - left};
            places.push_back(place);
        }
    }
    return places;
}

std::vector<WindowRect> ArrangeIcons(const std::vector<WindowRect> &icons, int width, int height)
{
    std::vector<WindowRect> places;
    places.reserve(icons.size());
    int x = 0;
    int rowBottom = height; // the bottom edge of the row being filled
    int rowHeight = 0;
    for (const WindowRect &icon : icons) {
        // A full row moves the next icons up by its height; a row always
        // takes at least one icon, however narrow the area.
        if (x > 0 && x + icon.width > width) {
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        places.push_back({x, rowBottom - icon.height, icon.width, icon.height});
        x += icon.width;
        rowHeight = std::max(rowHeight, icon.height);
    }
    return places;
}

WindowRect PlaceNewWindow(WindowRect window, int width, int height, const std::vector<WindowRect> &others, int step)
{
    if (width <= 0 || height <= 0)
        return window;
    if (window.x >= 0 && window.y >= 0 && window.x + window.width <= width && window.y + window.height <= height)
        return window;
    window.width = std::min(window.width, width);
    window.height = std::min(window.height, height);
    const int stride = std::max(1, step);
    for (int at = 0; at + window.width <= width && at + window.height <= height; at += stride) {
        const bool taken = std::any_of(others.begin(), others.end(),
                                       [at](const WindowRect &other) { return other.x == at && other.y == at; });
        if (!taken)
            return {at, at, window.width, window.height};
    }
    return {0, 0, window.width, window.height};
}

} // namespace tarvel
