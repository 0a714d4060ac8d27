#include "scan/calib_file.h"

#include "scan/file_bytes.h"
#include "scan/text_lines.h"

namespace quorvel {

SensorCalib sensorCalib;

void makeCalibRotation(Mat3& r, double ax, double ay, double az) {
  mat3Identity(r);
  if (az != 0) mat3Multiply(r, RotZ(az));
  if (ay != 0) mat3Multiply(r, RotY(ay));
  if (ax != 0) mat3Multiply(r, RotX(ax));
}

Status parseCalibFile(std::span<const unsigned char> bytes, SensorCalib& calib) {
  SensorCalib result = calib;
  mat3Identity(result.rotation);
  for (const std::string& line : splitTextLines(bytes)) {
    const bool rotation = startsWithKeyword(line, "rot");
    if (!rotation && !startsWithKeyword(line, "shv")) continue;
    const auto tokens = splitTokens(line);
    const double x = numberToken(tokens, 1), y = numberToken(tokens, 2), z = numberToken(tokens, 3);
    if (rotation) {
      Mat3 r;
      makeCalibRotation(r, x * DEG_TO_RAD, y * DEG_TO_RAD, z * DEG_TO_RAD);
      mat3Multiply(result.rotation, r);
    } else {
      result.translation = {x, y, z};
    }
  }
  calib = result;
  return {};
}

Status readCalibFile(const std::string& path, SensorCalib& calib) {
  std::vector<unsigned char> bytes;
  Status status = readFileBytes(path, bytes);
  if (!status.ok()) return status;
  return parseCalibFile(bytes, calib);
}

int loadCalibFile(const char* path) {
  return readCalibFile(path, sensorCalib).ok() ? 1 : 0;
}

}  // namespace quorvel
