#include "scan/query_info_text.h"

#include <cstdio>

namespace quorvel {

namespace {

std::string formatted(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string integer(long long value) {
  return std::to_string(value);
}

}  // namespace

std::vector<QueryInfoField> queryInfoFields(const SegmentRecord& segment) {
  const double density =
      static_cast<double>(segment.boundaryPt) / static_cast<double>(segment.pointNum);
  return {
      {1203, "Label", integer(segment.label)},
      {1204, "Surface Normal x", formatted("%.2f", segment.normal[0])},
      {1207, "Surface Normal y", formatted("%.2f", segment.normal[1])},
      {1208, "Surface Normal z", formatted("%.2f", segment.normal[2])},
      {1209, "Max Pt x", formatted("%.2f", segment.maxPt[0])},
      {1210, "Max Pt y", formatted("%.2f", segment.maxPt[1])},
      {1211, "Max Pt z", formatted("%.2f", segment.maxPt[2])},
      {1212, "Min Pt x", formatted("%.2f", segment.minPt[0])},
      {1213, "Min Pt y", formatted("%.2f", segment.minPt[1])},
      {1214, "Min Pt z", formatted("%.2f", segment.minPt[2])},
      {1215, "width", formatted("%.2f", segment.width)},
      {1216, "height", formatted("%.2f", segment.height)},
      {1218, "Point Num", integer(segment.pointNum)},
      {1219, "Var", formatted("%.4f", segment.var)},
      {1220, "Classi", integer(segment.classCode)},
      {1221, "Density", formatted("%.2f", density)},
      {1222, "Boundary Pt", integer(segment.boundaryPt)},
  };
}

}  // namespace quorvel
