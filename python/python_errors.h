// The module's exceptions come from quorvel/_errors.py (OSError subclasses that pickle with all
// they carry); these raise them from C++ with the core's failures.
#pragma once

#include <string>

#include "pipeline/report.h"
#include "scan/project_load.h"
#include "scan/status.h"

namespace quorvel::python {

// LoadError(text, caption, reason); a FileNotFoundError too when the file is missing.
[[noreturn]] void raiseLoadError(const ProjectLoadFailure& failure);

// ExportError("Export NAME failure.", the file, the reason); a FileNotFoundError too when the
// folder is missing, a PermissionError when it may not be written, ...
[[noreturn]] void raiseExportError(const FailureMessage& failure);

// OSError (or the subclass of its errno) for a file the module could not write.
[[noreturn]] void raiseFileError(const std::string& path, const Status& status);

}  // namespace quorvel::python
