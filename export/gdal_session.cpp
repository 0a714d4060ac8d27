#include "export/gdal_session.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <gdal_frmts.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace quorvel {

namespace {

void keepError(CPLErr level, CPLErrorNum, const char* message) {
  if (level != CE_Failure && level != CE_Fatal) return;  // warnings and debug output are dropped
  static_cast<GdalErrorTrap*>(CPLGetErrorHandlerUserData())->record(message);
}

}  // namespace

GdalErrorTrap::GdalErrorTrap() {
  CPLPushErrorHandlerEx(keepError, this);
  if (const char* pam = CPLGetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr)) pam_ = pam;
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
}

GdalErrorTrap::~GdalErrorTrap() {
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", pam_ ? pam_->c_str() : nullptr);
  CPLPopErrorHandler();
}

void GdalErrorTrap::record(const char* message) {
  const int systemError = errno;
  if (failed()) return;
  message_ = message && *message ? message : "GDAL failed";
  // A failed read or write leaves the operating system's reason in errno, and GDAL's message
  // quotes it ("_tiffWriteProc:File too large"); an errno that the message does not quote is
  // left over from an earlier call.
  if (systemError != 0 && message_.find(std::strerror(systemError)) != std::string::npos) {
    systemError_ = systemError;
  }
}

Status GdalErrorTrap::fault(const std::string& what, const std::string& file) const {
  if (systemError_ != 0) return fileFault(std::strerror(systemError_), file);
  return fileFault(failed() ? what + ": " + message_ : what, file);
}

void registerGdalGeoTiff() {
  static std::once_flag once;
  std::call_once(once, [] { GDALRegister_GTiff(); });
}

}  // namespace quorvel
