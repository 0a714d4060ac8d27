// The 12 colours of the class pictures and of the class export; value k uses entry k mod 12.
// Entries are in pixel byte order and are copied byte for byte.
#pragma once

#include <cstdint>

namespace quorvel {

struct PaletteColour {
  uint8_t blue, green, red;
};

inline constexpr PaletteColour CLASS_PALETTE[12] = {
    {255, 0, 0},      // blue
    {0, 255, 0},      // green
    {0, 0, 255},      // red
    {255, 255, 0},    // cyan
    {255, 0, 0},      // blue, as entry 0
    {150, 150, 150},  // grey
    {0, 255, 255},    // yellow
    {255, 0, 128},    // violet
    {255, 0, 255},    // magenta
    {128, 0, 255},    // pink
    {0, 255, 128},    // light green
    {255, 128, 128},  // light blue
};

// The surface picture's colours by surface class (segment/surface_classes.h): no point black,
// carriageway grey, vertical blue, other yellow, kerb red, ground green; the palette's entries.
inline constexpr PaletteColour SURFACE_COLOURS[6] = {{0, 0, 0},        CLASS_PALETTE[5],
                                                     CLASS_PALETTE[0], CLASS_PALETTE[6],
                                                     CLASS_PALETTE[2], CLASS_PALETTE[1]};

inline void paintPaletteColour(unsigned k, uint8_t* bgr) {
  const PaletteColour& colour = CLASS_PALETTE[k % 12];
  bgr[0] = colour.blue;
  bgr[1] = colour.green;
  bgr[2] = colour.red;
}

inline void paintSurfaceColour(unsigned code, uint8_t* bgr) {
  const PaletteColour& colour = SURFACE_COLOURS[code < 6 ? code : 0];
  bgr[0] = colour.blue;
  bgr[1] = colour.green;
  bgr[2] = colour.red;
}

}  // namespace quorvel
