// Zoom: the editing surface shown with every one of its pixels as an N x N block of device pixels,
// N from 1 to 4, crisp (nearest neighbour), so pixel art stays sharp on large and high-density
// displays. The editor itself always works in whole surface pixels: a front end turns the device
// pixel under the pointer into the surface pixel it shows before the editor sees it, so every
// editing rule gives at any zoom exactly what it gives at 1x for the pixel under the pointer.
#pragma once

#include <algorithm>
#include <cmath>

#include "surface_geometry.h"

namespace gridwright {

inline constexpr int kSmallestZoom = 1;
inline constexpr int kLargestZoom = 4;

constexpr int ClampZoom(int zoom) {
    return std::clamp(zoom, kSmallestZoom, kLargestZoom);
}

// The zoom that a display's own scale asks for (1 on an ordinary display, 2 at 200 %): its whole
// part, so a 150 % display still shows the surface one to one.
inline int ZoomForScale(double scale) {
    if (!(scale >= kSmallestZoom)) return kSmallestZoom;
    return ClampZoom(static_cast<int>(std::min(scale, double{kLargestZoom})));
}

// The zoom after the display's scale changed from one zoom to another (the window moved to
// another monitor): the surface keeps its size on the glass as nearly as whole steps allow.
inline int ZoomForNewDisplay(int zoom, int displayBefore, int displayAfter) {
    if (displayBefore < 1 || displayAfter < 1) return ClampZoom(zoom);
    return ClampZoom(static_cast<int>(std::lround(1.0 * zoom * displayAfter / displayBefore)));
}

// The surface pixel under a device pixel position, floor(position / zoom): the device pixels
// x * zoom to x * zoom + zoom - 1 all show surface pixel x, also left of and above the surface,
// where positions are negative. Positions too far off to matter are held at a million pixels.
inline int SurfacePixel(double devicePosition, int zoom) {
    if (std::isnan(devicePosition)) return -1000000;
    const double pixel = std::floor(std::clamp(devicePosition, -1e9, 1e9) / ClampZoom(zoom));
    return static_cast<int>(std::clamp(pixel, -1e6, 1e6));
}

// The device pixels that show a rectangle of surface pixels.
constexpr PixelRect ZoomRect(const PixelRect& r, int zoom) {
    if (r.Empty()) return {};
    return {r.x * zoom, r.y * zoom, r.width * zoom, r.height * zoom};
}

}  // namespace gridwright
