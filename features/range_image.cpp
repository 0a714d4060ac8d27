#include "features/range_image.h"

namespace quorvel {

RenderParams renderParams;
MaskRange maskRange;

double rangeOf(int32_t l, int32_t s) {
  return rangeOf(scanStore, l, s);
}

}  // namespace quorvel
