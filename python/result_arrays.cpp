#include "python/result_arrays.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "features/variance_map.h"
#include "scan/point_reconstruction.h"
#include "scan/segment_lookup.h"
#include "segment/line_class.h"
#include "segment/surface_classes.h"

namespace quorvel::python {

namespace {

py::ssize_t linesOf(const ScanStore& store) {
  return store.lineCount;
}

py::ssize_t samplesOf(const ScanStore& store) {
  return store.pointsPerLine;
}

// A sample-major buffer of `components` values per sample as [lines, samples(, components)].
template <typename T>
py::array sampleMajorView(PythonProject& p, Buffer buffer, const std::vector<T>& data,
                          py::ssize_t components) {
  const ScanStore& store = p.project.store;
  const py::ssize_t lines = linesOf(store), samples = samplesOf(store);
  const auto item = static_cast<py::ssize_t>(sizeof(T)) / components;
  std::vector<py::ssize_t> shape = {lines, samples};
  std::vector<py::ssize_t> strides = {item * components, item * components * lines};
  if (components > 1) {
    shape.push_back(components);
    strides.push_back(item);
  }
  using Element = std::conditional_t<std::is_same_v<T, Vec3>, double, T>;
  return p.views.view(selfOf(p), buffer, py::dtype::of<Element>(), shape, strides, data.data());
}

// bool [lines, samples] from has(l, s), without the GIL.
template <typename Has>
py::array maskOf(const ScanStore& store, Has has) {
  py::array_t<bool> mask({linesOf(store), samplesOf(store)});
  bool* out = mask.mutable_data();
  {
    py::gil_scoped_release release;
    for (int32_t l = 0; l < store.lineCount; ++l) {
      for (int32_t s = 0; s < store.pointsPerLine; ++s) *out++ = has(l, s);
    }
  }
  return mask;
}

// Rows whose padding bytes are zero, so that equal tables have equal bytes; fields are then
// set one by one (a whole-row copy could bring other padding along).
template <typename Row>
py::array_t<Row> zeroedRows(py::ssize_t count) {
  py::array_t<Row> rows(count);
  if (count > 0) std::memset(rows.mutable_data(), 0, static_cast<size_t>(count) * sizeof(Row));
  return rows;
}

}  // namespace

void registerRowTypes() {
  PYBIND11_NUMPY_DTYPE(LineSegmentRow, line, first, last, line_class);
  PYBIND11_NUMPY_DTYPE(SegmentRow, label, classCode, nx, ny, nz, planeOffset, var, maxx, maxy, maxz,
                       minx, miny, minz, width, height, pointNum, boundaryPt);
}

py::array rangesArray(PythonProject& p) {
  const ScanStore& store = p.project.store;
  if (!store.lines || store.lineCount == 0) {
    return py::array(py::dtype::of<int16_t>(), {py::ssize_t{0}, samplesOf(store)});
  }
  const std::vector<ScanLine>& lines = *store.lines;
  return p.views.view(selfOf(p), Buffer::Ranges, py::dtype::of<int16_t>(),
                      {linesOf(store), samplesOf(store)},
                      {static_cast<py::ssize_t>(sizeof(ScanLine)), 2}, lines[0].range);
}

py::array varianceArray(PythonProject& p) {
  return sampleMajorView(p, Buffer::Variance, *p.project.store.varianceMap, 1);
}

py::array normalsArray(PythonProject& p) {
  return sampleMajorView(p, Buffer::Normals, *p.project.store.normalMap, 3);
}

py::array labelsArray(PythonProject& p) {
  return sampleMajorView(p, Buffer::Labels, *p.project.store.labelMap, 1);
}

py::array lineClassesArray(PythonProject& p) {
  const ScanStore& store = p.project.store;
  return p.views.view(selfOf(p), Buffer::LineClasses, py::dtype::of<uint8_t>(),
                      {linesOf(store), samplesOf(store)}, {samplesOf(store), 1},
                      store.lineSegmentMask->data());
}

py::array surfaceClassesArray(PythonProject& p) {
  const ScanStore& store = p.project.store;
  return p.views.view(selfOf(p), Buffer::SurfaceClasses, py::dtype::of<uint8_t>(),
                      {linesOf(store), samplesOf(store)}, {samplesOf(store), 1},
                      store.surfaceClassMap->data());
}

py::array pointsArray(PythonProject& p, std::optional<int> threads) {
  const ScanStore& store = p.project.store;
  const auto lines = static_cast<size_t>(store.lineCount);
  const auto samples = static_cast<size_t>(store.pointsPerLine);
  py::array_t<double> result({lines, samples, size_t{3}});
  double* out = result.mutable_data();
  {
    py::gil_scoped_release release;
    const CallOptions call(p, threads);
    const WorldPoints worldPoint(store, p.project.calib);
    parallelFor(lines, call.parallel, [&](size_t begin, size_t end) {
      for (size_t l = begin; l < end; ++l) {
        for (size_t s = 0; s < samples; ++s) {
          Vec3 point;
          if (!worldPoint(static_cast<int32_t>(l), static_cast<int32_t>(s), point)) {
            point.fill(std::numeric_limits<double>::quiet_NaN());
          }
          std::copy(point.begin(), point.end(), out + 3 * (l * samples + s));
        }
      }
    });
  }
  return result;
}

py::array lineSegmentsTable(const ScanStore& store) {
  const std::vector<LineSegmentList>& lists = *store.lineSegmentLists;
  py::ssize_t count = 0;
  for (const LineSegmentList& list : lists) {
    for (const LineSegment* r = list.get(); r; r = r->next.get()) ++count;
  }
  py::array_t<LineSegmentRow> result = zeroedRows<LineSegmentRow>(count);
  LineSegmentRow* row = result.mutable_data();
  for (size_t l = 0; l < lists.size(); ++l) {
    for (const LineSegment* r = lists[l].get(); r; r = r->next.get(), ++row) {
      row->line = static_cast<int32_t>(l);
      row->first = r->first;
      row->last = r->last;
      row->line_class = r->lineClass;
    }
  }
  return result;
}

py::array segmentsTable(const ScanStore& store) {
  const int32_t count = segmentCount(store);
  py::array_t<SegmentRow> result = zeroedRows<SegmentRow>(count);
  SegmentRow* row = result.mutable_data();
  for (int32_t k = 0; k < count; ++k, ++row) {
    const SegmentRecord& r = (*store.segmentTable)[static_cast<size_t>(k)];
    row->label = r.label;
    row->classCode = r.classCode;
    std::tie(row->nx, row->ny, row->nz) = std::tie(r.normal[0], r.normal[1], r.normal[2]);
    row->planeOffset = r.planeOffset;
    row->var = r.var;
    std::tie(row->maxx, row->maxy, row->maxz) = std::tie(r.maxPt[0], r.maxPt[1], r.maxPt[2]);
    std::tie(row->minx, row->miny, row->minz) = std::tie(r.minPt[0], r.minPt[1], r.minPt[2]);
    row->width = r.width;
    row->height = r.height;
    row->pointNum = r.pointNum;
    row->boundaryPt = r.boundaryPt;
  }
  return result;
}

std::vector<Needs> resultNeeds(const std::string& name) {
  if (name == "ranges" || name == "points") return {};
  if (name == "variance" || name == "normals") return {Needs::Surface};
  if (name == "line_classes") return {Needs::Lines};
  if (name == "surface_classes") return {Needs::Classes};
  if (name == "labels") return {Needs::Regions};
  throw py::value_error(
      "unknown result '" + name +
      "': ranges, points, variance, normals, line_classes, surface_classes or labels");
}

py::array validArray(PythonProject& p, const std::string& name) {
  const ScanStore& store = p.project.store;
  const auto L = static_cast<size_t>(store.lineCount);
  const auto P = static_cast<size_t>(store.pointsPerLine);
  if (name == "ranges" || name == "points") {
    return maskOf(store, [&](int32_t l, int32_t s) {
      return isValidRange(sampleRange(store, (*store.lines)[static_cast<size_t>(l)].range[s]));
    });
  }
  const auto sampleMajor = [L](int32_t l, int32_t s) { return static_cast<size_t>(s) * L + l; };
  if (name == "variance") {
    return maskOf(store, [&](int32_t l, int32_t s) {
      return (*store.varianceMap)[sampleMajor(l, s)] != NO_VARIANCE;
    });
  }
  if (name == "normals") {
    return maskOf(store, [&](int32_t l, int32_t s) {
      return (*store.normalMap)[sampleMajor(l, s)][0] != NO_NORMAL;
    });
  }
  if (name == "line_classes") {
    return maskOf(store, [&](int32_t l, int32_t s) {
      return (*store.lineSegmentMask)[static_cast<size_t>(l) * P + s] != MASK_NO_POINT;
    });
  }
  if (name == "surface_classes") {
    return maskOf(store, [&](int32_t l, int32_t s) {
      return (*store.surfaceClassMap)[static_cast<size_t>(l) * P + s] != SURFACE_NO_POINT;
    });
  }
  return maskOf(store, [&](int32_t l, int32_t s) {
    return (*store.labelMap)[sampleMajor(l, s)] < MAX_SEGMENTS;
  });
}

}  // namespace quorvel::python
