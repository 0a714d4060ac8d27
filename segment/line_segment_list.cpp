#include "segment/line_segment_list.h"

namespace quorvel {

std::unique_ptr<LineSegment> newLineSegment() {
  return std::make_unique<LineSegment>();
}

void appendLineSegment(LineSegmentList& head, std::unique_ptr<LineSegment> record) {
  record->next.reset();
  LineSegmentList* tail = &head;
  while (*tail) tail = &(*tail)->next;
  *tail = std::move(record);
}

}  // namespace quorvel
