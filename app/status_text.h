// The status bar's texts: the zoom, and what the picture shows under the pointer.
#pragma once

#include <cstdint>
#include <string>

#include "app/window_system.h"

namespace quorvel {

std::string zoomText();  // "Zoom 110 %"

// The sample under client point (x, y): "line 300, sample 57, range 12.34, road, region 34
// class 2", the line class once the line segmentation has run and the region once the region
// segmentation has; empty off the picture.
std::string pointerText(ws::Window window, int32_t x, int32_t y);

}  // namespace quorvel
