#include "export/kerbs_geojson.h"

#include "export/number_text.h"
#include "scan/output_file.h"
#include "segment/kerb_lines.h"

namespace quorvel {

namespace {

std::string featureText(const KerbLine& kerb, int32_t firstLine) {
  std::string text = R"({"type":"Feature","properties":{"side":")";
  text += kerb.side == 1 ? "left" : "right";
  text += R"(","mean_height":)" + numberText(kerb.meanHeight) + R"(,"first_line":)" +
          std::to_string(firstLine + kerb.lines.front()) + R"(,"last_line":)" +
          std::to_string(firstLine + kerb.lines.back()) + R"(,"vertices":)" +
          std::to_string(kerb.vertices.size()) +
          R"(},"geometry":{"type":"LineString","coordinates":[)";
  for (size_t i = 0; i < kerb.vertices.size(); ++i) {
    const Vec3& v = kerb.vertices[i];
    text +=
        (i ? ",[" : "[") + numberText(v[0]) + "," + numberText(v[1]) + "," + numberText(v[2]) + "]";
  }
  return text + "]}}";
}

}  // namespace

std::string geoJsonCrs(int32_t epsg) {
  return R"("crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::)" +
         std::to_string(epsg) + "\"}}";
}

std::string kerbsGeoJson(const ScanStore& store, int32_t firstLine, std::optional<int32_t> epsg) {
  std::string text = "{\"type\":\"FeatureCollection\",";
  if (epsg) text += geoJsonCrs(*epsg) + ",";
  text += "\"features\":[";
  const std::vector<KerbLine> kerbs = buildKerbLines(*store.kerbFeet);
  for (size_t i = 0; i < kerbs.size(); ++i) {
    text += (i ? ",\n" : "\n") + featureText(kerbs[i], firstLine);
  }
  return text + "\n]}\n";
}

Status exportKerbs(const ScanStore& store, int32_t firstLine, std::optional<int32_t> epsg,
                   const std::string& path) {
  return writeWholeFile(path, kerbsGeoJson(store, firstLine, epsg));
}

}  // namespace quorvel
