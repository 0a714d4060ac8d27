#include "python/picture_array.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "export/picture_png.h"
#include "pipeline/named_outputs.h"

namespace quorvel::python {

namespace {

void checkNames(const std::string& name, const std::string& layout) {
  if (!isOutputName(OutputKind::Picture, name)) {
    std::string known;
    for (const std::string& picture : outputNames(OutputKind::Picture)) {
      known += (known.empty() ? "" : ", ") + picture;
    }
    throw py::value_error("unknown picture '" + name + "': " + known);
  }
  if (layout != "window" && layout != "lines") {
    throw py::value_error("unknown layout '" + layout + "': window or lines");
  }
}

// The window's rows and columns turned into [scan line, sample].
void copyByLine(const std::vector<unsigned char>& rgb, int32_t width, int32_t height, int32_t lines,
                bool inverse, unsigned char* out) {
  for (int32_t l = 0; l < lines; ++l) {
    for (int32_t s = 0; s < height; ++s) {
      const int32_t row = inverse ? height - 1 - s : s;
      std::memcpy(out, rgb.data() + (static_cast<size_t>(row) * width + l) * 3, 3);
      out += 3;
    }
  }
}

}  // namespace

py::array pictureArray(PythonProject& p, const std::string& name, const std::string& layout,
                       std::optional<int> threads) {
  checkNames(name, layout);
  const auto lock = lockOpen(p);
  runStages(p, outputStages(name), threads);
  int32_t width = 0, height = 0;
  std::vector<unsigned char> rgb;
  {
    py::gil_scoped_release release;
    const CallOptions call(p, threads);
    if (!buildPicture(call.records, name)) {
      throw std::runtime_error("Generate " + name + " image failure.");
    }
    rgb = pictureRgb(p.project.tiles, width, height);
  }
  const bool byLine = layout == "lines";
  const int32_t lines = p.project.store.lineCount;
  py::array_t<uint8_t> result(byLine ? std::vector<size_t>{size_t(lines), size_t(height), 3}
                                     : std::vector<size_t>{size_t(height), size_t(width), 3});
  unsigned char* out = result.mutable_data();
  {
    py::gil_scoped_release release;
    if (byLine) {
      copyByLine(rgb, width, height, lines, p.project.render.inverse != 0, out);
    } else {
      std::copy(rgb.begin(), rgb.end(), out);
    }
  }
  return result;
}

}  // namespace quorvel::python
