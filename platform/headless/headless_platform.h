// The window-system pieces that the core needs, without a window: tile bitmaps kept in memory
// and stage messages written to standard error. Linked by the command line and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/tile_bitmap.h"

namespace quorvel {

// A tile bitmap as the headless window system keeps it: a copy of the rows it was made from.
struct HeadlessBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<unsigned char> rows;  // bottom-up, Blue-Green-Red, width * 3 bytes per row
};

const HeadlessBitmap& headlessBitmap(TileBitmap bitmap);

// For tests of what happens when the window system fails: the next n bitmaps are not made.
void failNextTileBitmaps(int n);
int liveTileBitmaps();  // bitmaps made and not yet deleted

struct StageMessage {
  std::string text, caption;
};
const std::vector<StageMessage>& shownStageMessages();  // every message shown so far

}  // namespace quorvel
