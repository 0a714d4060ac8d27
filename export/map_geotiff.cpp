#include "export/map_geotiff.h"

#include <geotiffio.h>
#include <xtiffio.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "export/number_text.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"

namespace quorvel {

namespace {

struct TiffClose {
  void operator()(TIFF* tif) const { XTIFFClose(tif); }
};
struct GeoKeysFree {
  void operator()(GTIF* keys) const { GTIFFree(keys); }
};

// GDAL's tags are named in tiff.h but not known to libtiff; without them TIFFSetField refuses.
char GDAL_METADATA_NAME[] = "GDALMetadata";
char GDAL_NODATA_NAME[] = "GDALNoDataValue";
const TIFFFieldInfo GDAL_FIELDS[] = {
    {TIFFTAG_GDAL_METADATA, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, GDAL_METADATA_NAME},
    {TIFFTAG_GDAL_NODATA, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, GDAL_NODATA_NAME}};
TIFFExtendProc previousExtender = nullptr;

void extendWithGdalTags(TIFF* tif) {
  TIFFMergeFieldInfo(tif, GDAL_FIELDS, 2);
  if (previousExtender) previousExtender(tif);
}

Status readHeader(const MapFileNames& map, MapHeaderKind kind, MapParams& params) {
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(map.header, bytes); !status.ok()) return status;
  parseMapHeader(bytes, params);
  if (params.width <= 0 || params.length <= 0) {
    return fault(
        "map raster without cells",
        "width " + std::to_string(params.width) + ", length " + std::to_string(params.length),
        "a positive width and length", map.header);
  }
  if (!(params.pixelsize > 0.0 && std::isfinite(params.pixelsize))) {
    return fault("bad pixelsize", numberText(params.pixelsize), "a positive number", map.header);
  }
  if (kind == MapHeaderKind::RoadHeight && !(params.demres > 0.0 && std::isfinite(params.demres))) {
    return fault("bad demres", numberText(params.demres), "a positive number", map.header);
  }
  return {};
}

Status checkRasterSize(const MapFileNames& map, const MapParams& params) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(map.raster, error);
  if (error) return fault("cannot read the raster", map.raster, "", error.message());
  const uintmax_t cells = uintmax_t(params.width) * uintmax_t(params.length);
  if (size != cells) {
    return fault("raster size does not match its header", std::to_string(size) + " bytes",
                 std::to_string(cells) + " (width x length)", map.raster);
  }
  return {};
}

std::string metadataItem(const char* name, const char* role, const std::string& value) {
  return std::string("<Item name=\"") + name + "\" sample=\"0\" role=\"" + role + "\">" + value +
         "</Item>";
}

// GDAL's band metadata: what the cells hold and, for scaled values, their scale and offset.
std::string gdalMetadata(const GridBand& band) {
  std::string items = metadataItem("DESCRIPTION", "description", band.description);
  if (band.scale) {
    items += metadataItem("OFFSET", "offset", numberText(band.offset)) +
             metadataItem("SCALE", "scale", numberText(*band.scale));
  }
  return "<GDALMetadata>" + items + "</GDALMetadata>";
}

void setImageTags(TIFF* tif, const MapParams& params, const GridBand& band) {
  const bool floats = band.cells == GridCells::Float32;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(params.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(params.length));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, floats ? 32 : 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, floats ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  TIFFSetField(tif, TIFFTAG_GDAL_METADATA, gdalMetadata(band).c_str());
  if (band.noData) TIFFSetField(tif, TIFFTAG_GDAL_NODATA, band.noData->c_str());
}

GridBand mapBand(const MapParams& params, MapHeaderKind kind) {
  if (kind == MapHeaderKind::Count) {
    return {GridCells::UInt8, "non-road points per cell", std::nullopt, std::nullopt, 0.0};
  }
  return {GridCells::UInt8, "road height", "0", params.demres, params.oz};
}

// The north-up placement (image row 0 is the raster's last row) and the coordinate system keys,
// none without an EPSG code; cells are areas, GeoTIFF's default.
void setGeoTags(TIFF* tif, const MapParams& params, std::optional<int32_t> epsg) {
  double scale[3] = {params.pixelsize, params.pixelsize, 0.0};
  TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, scale);
  const double top = params.oy + (params.length - 0.5) * params.pixelsize;
  double tiepoint[6] = {0.0, 0.0, 0.0, params.ox - 0.5 * params.pixelsize, top, 0.0};
  TIFFSetField(tif, TIFFTAG_GEOTIEPOINTS, 6, tiepoint);
  if (!epsg) return;  // any key directory would read as a local coordinate system
  const std::unique_ptr<GTIF, GeoKeysFree> keys(GTIFNew(tif));
  GTIFKeySet(keys.get(), GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea);
  GTIFKeySet(keys.get(), GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeProjected);
  GTIFKeySet(keys.get(), ProjectedCSTypeGeoKey, TYPE_SHORT, 1, *epsg);
  GTIFWriteKeys(keys.get());
}

// The reason of a failed libtiff call, which leaves the operating system's in errno.
Status tiffFault(const char* what, const std::string& tifPath) {
  return fileFault(std::string(what) + ": " + std::strerror(errno), tifPath);
}

// Writes the rows, the grid's last first; fails on a source or write error.
Status writeRows(TIFF* tif, const MapParams& params, const GridBand& band, const GridRows& rowAt,
                 const std::string& tifPath) {
  const size_t cellBytes = band.cells == GridCells::Float32 ? 4 : 1;
  std::vector<unsigned char> row(static_cast<size_t>(params.width) * cellBytes);
  for (int32_t r = 0; r < params.length; ++r) {
    if (Status status = rowAt(params.length - 1 - r, row); !status.ok()) return status;
    if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(r), 0) < 0) {
      return tiffFault("cannot write the GeoTIFF", tifPath);
    }
  }
  return TIFFFlush(tif) == 1 ? Status{} : tiffFault("cannot write the GeoTIFF", tifPath);
}

// The rows of a map raster file.
GridRows rawFileRows(const MapFileNames& map, const MapParams& params,
                     std::shared_ptr<std::ifstream> raster) {
  return [map, width = params.width, raster](int32_t source, std::span<unsigned char> row) {
    raster->seekg(static_cast<std::streamoff>(source) * width);
    raster->read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()));
    if (!*raster) {
      return fault("cannot read the raster", map.raster, "", "row " + std::to_string(source));
    }
    return Status{};
  };
}

}  // namespace

void registerGdalTiffTags() {
  static std::once_flag once;
  std::call_once(once, [] { previousExtender = TIFFSetTagExtender(extendWithGdalTags); });
}

Status writeGridGeoTiff(const std::string& tifPath, const MapParams& grid, const GridBand& band,
                        std::optional<int32_t> epsg, const GridRows& rowAt) {
  if (epsg && (*epsg < MIN_EPSG_CODE || *epsg > MAX_EPSG_CODE)) {
    return fault("bad EPSG code", std::to_string(*epsg),
                 std::to_string(MIN_EPSG_CODE) + " ... " + std::to_string(MAX_EPSG_CODE));
  }
  registerGdalTiffTags();
  OutputFile file(tifPath);
  if (!file.ok()) return file.status();
  {
    // libtiff writes the temporary file through its own handle and is done when it is closed.
    const std::unique_ptr<TIFF, TiffClose> tif(XTIFFOpen(file.temporaryPath().c_str(), "w"));
    if (!tif) return tiffFault("cannot create the GeoTIFF", tifPath);
    setImageTags(tif.get(), grid, band);
    setGeoTags(tif.get(), grid, epsg);
    if (Status status = writeRows(tif.get(), grid, band, rowAt, tifPath); !status.ok()) {
      return status;
    }
  }
  return file.commit();
}

Status writeMapGeoTiff(const MapFileNames& map, MapHeaderKind kind, const std::string& tifPath,
                       std::optional<int32_t> epsg) {
  if (epsg && (*epsg < MIN_EPSG_CODE || *epsg > MAX_EPSG_CODE)) {
    return fault("bad EPSG code", std::to_string(*epsg),
                 std::to_string(MIN_EPSG_CODE) + " ... " + std::to_string(MAX_EPSG_CODE));
  }
  MapParams params;
  if (Status status = readHeader(map, kind, params); !status.ok()) return status;
  if (Status status = checkRasterSize(map, params); !status.ok()) return status;
  auto raster = std::make_shared<std::ifstream>(map.raster, std::ios::binary);
  return writeGridGeoTiff(tifPath, params, mapBand(params, kind), epsg,
                          rawFileRows(map, params, raster));
}

}  // namespace quorvel
