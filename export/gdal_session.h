// What every use of GDAL in the program shares: its GeoTIFF driver registered once, and its
// error messages caught instead of printed, so that a failing call becomes a Status.
#pragma once

#include <optional>
#include <string>

#include "scan/status.h"

namespace quorvel {

// While it lives, GDAL's errors on this thread are kept (the first failure and the operating
// system's reason at that moment) instead of printed, and GDAL writes no side files (.aux.xml).
class GdalErrorTrap {
 public:
  GdalErrorTrap();
  ~GdalErrorTrap();
  GdalErrorTrap(const GdalErrorTrap&) = delete;
  GdalErrorTrap& operator=(const GdalErrorTrap&) = delete;

  bool failed() const { return !message_.empty(); }
  // A fault naming the file: the operating system's reason when GDAL failed on a file
  // operation, else GDAL's message ("what" when GDAL said nothing).
  Status fault(const std::string& what, const std::string& file) const;

  void record(const char* message);  // GDAL's handler calls it with each failure

 private:
  std::string message_;
  int systemError_ = 0;
  std::optional<std::string> pam_;  // the thread's setting before, restored after
};

void registerGdalGeoTiff();  // GDAL's GTiff driver, once per process

}  // namespace quorvel
