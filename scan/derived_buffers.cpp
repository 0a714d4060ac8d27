#include "scan/derived_buffers.h"

namespace quorvel {

void freeLineSegmentList(LineSegmentList& head) {
  while (head) head = std::move(head->next);
}

}  // namespace quorvel
