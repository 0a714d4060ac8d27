// The view: the current picture scaled by the zoom, scrolled by the window's scroll bars, with
// tile outlines and the query marker on top.
#pragma once

#include <cstdint>

#include "app/window_system.h"

namespace quorvel {

// Paints the canvas rectangle (x0, y0) ... (x1, y1) that the client area shows.
void paintView(ws::PaintContext dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Shrinks the window where its client area exceeds the zoomed picture, then sets the ranges.
void fitWindowToImage(ws::Window window, double zoom);

// Sets both scroll ranges for the zoomed picture; a nested call (from the resize that showing
// or hiding a scroll bar causes) returns at once.
void updateScrollRanges(ws::Window window, double zoom);

// The client rectangle as it would be without the window's scroll bars.
ws::ClientRect clientSizeWithoutScrollBars(ws::Window window);

// The scroll request codes of the scroll bars (SB_LINEUP ... SB_THUMBTRACK).
enum ScrollCode : int {
  SCROLL_LINE_UP = 0,
  SCROLL_LINE_DOWN = 1,
  SCROLL_PAGE_UP = 2,
  SCROLL_PAGE_DOWN = 3,
  SCROLL_THUMB_POSITION = 4,
  SCROLL_THUMB_TRACK = 5,
};

// Moves the view along one bar; the backward steps are 1 - size / 16 and 1 - size / 2.
void onScroll(ws::Window window, ws::ScrollBar bar, int code, int32_t thumbPosition);

// The zoom after `notches` presses of Home (positive) or End (negative); beyond the key zoom
// limits a press changes nothing.
double steppedZoom(double zoom, int notches);

// The mouse wheel: each notch moves the view WHEEL_LINES line steps along the bar, backward
// (up or left) for a positive count, turned away from the user.
inline constexpr int WHEEL_LINES = 3;
void onWheel(ws::Window window, ws::ScrollBar bar, int notches);

// Zooms as `notches` presses of Home or End would, keeping the picture point under client point
// (x, y) where it is (as far as the scroll ranges allow), and repaints.
void zoomAbout(ws::Window window, int notches, int32_t x, int32_t y);

}  // namespace quorvel
