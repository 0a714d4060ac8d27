#include "export/epsg_crs.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <memory>

#include "export/gdal_session.h"

namespace quorvel {

namespace {

struct SpatialReferenceFree {
  void operator()(OGRSpatialReferenceH srs) const { OSRDestroySpatialReference(srs); }
};
using SpatialReference = std::unique_ptr<void, SpatialReferenceFree>;

struct TransformationFree {
  void operator()(OGRCoordinateTransformationH transformation) const {
    OCTDestroyCoordinateTransformation(transformation);
  }
};

// The coordinate system of the code, longitude before latitude where it is geographic; none
// when GDAL does not know the code.
SpatialReference fromEpsg(int32_t code) {
  const GdalErrorTrap quiet;  // an unknown code is no message on the terminal
  SpatialReference srs(OSRNewSpatialReference(nullptr));
  if (OSRImportFromEPSG(srs.get(), code) != OGRERR_NONE) return nullptr;
  OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// What the coordinate system is, for a reason: "geographic: degrees", "in US survey foot".
std::string kindOf(OGRSpatialReferenceH srs) {
  if (OSRIsGeographic(srs)) return "geographic: degrees";
  if (!OSRIsProjected(srs)) return "not projected";
  char* unit = nullptr;
  OSRGetLinearUnits(srs, &unit);
  return std::string("in ") + (unit ? unit : "unknown units");
}

}  // namespace

Status checkProjectedEpsg(int32_t code) {
  const char* const example =
      "(e.g. 25832, ETRS89 / UTM zone 32N), as the scan's coordinates are metres";
  const SpatialReference srs = fromEpsg(code);
  if (!srs) {
    return fault("unknown EPSG code", std::to_string(code),
                 std::string("the code of a projected coordinate system in metres ") + example);
  }
  char* unit = nullptr;
  if (OSRIsProjected(srs.get()) && OSRGetLinearUnits(srs.get(), &unit) == 1.0) return {};
  const char* name = OSRGetName(srs.get());
  return fault("not a projected coordinate system in metres",
               "EPSG:" + std::to_string(code) + " (" + (name ? name : "unnamed") + ", " +
                   kindOf(srs.get()) + ")",
               std::string("one ") + example);
}

std::string epsgWkt(int32_t code) {
  const SpatialReference srs = fromEpsg(code);
  if (!srs) return {};
  char* text = nullptr;
  const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
  if (OSRExportToWktEx(srs.get(), &text, options) != OGRERR_NONE) return {};
  std::string wkt = text ? text : "";
  CPLFree(text);
  return wkt;
}

Status toLonLat(int32_t code, std::vector<std::array<double, 2>>& points) {
  const SpatialReference source = fromEpsg(code), wgs84 = fromEpsg(4326);
  if (!source || !wgs84) return fault("unknown EPSG code", std::to_string(code));
  const GdalErrorTrap errors;
  const std::unique_ptr<void, TransformationFree> transformation(
      OCTNewCoordinateTransformation(source.get(), wgs84.get()));
  for (auto& point : points) {
    if (!transformation || !OCTTransform(transformation.get(), 1, &point[0], &point[1], nullptr)) {
      return fault("cannot turn the coordinates into longitude and latitude",
                   std::to_string(point[0]) + ", " + std::to_string(point[1]),
                   "a point of EPSG:" + std::to_string(code));
    }
  }
  return {};
}

}  // namespace quorvel
