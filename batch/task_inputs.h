// What a batch task was computed from, so that "done" stays bound to it: the project's MDL,
// calibration and DS files (resolved path, size, modification time, and a content fingerprint:
// the whole file's for the two text files, the task's own DS records' for the scan).
#pragma once

#include <cstdint>
#include <string>

#include "scan/ds_file.h"
#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel::batch {

struct FileIdentity {
  std::string path;      // absolute, as the task resolved it
  uint64_t size = 0;     // bytes
  int64_t modified = 0;  // nanoseconds since the epoch
  std::string hash;      // FNV-1a of the content read (see above), 16 hex digits
};

struct TaskInputs {
  FileIdentity mdl;
  FileIdentity calib;
  FileIdentity ds;
  LineWindow records;  // the DS file's scan lines the task read: its own and their neighbours
};

// Size and modification time of a file, its path made absolute.
Status identifyFile(const std::string& path, FileIdentity& identity);

// The two text files identified and hashed whole; the DS file identified, with the hash of the
// loaded scan's records (as the file holds them, a cut last record zero-filled).
Status identifyInputs(const std::string& mdlPath, const std::string& calibPath,
                      const std::string& dsPath, const ScanStore& loaded, const LineWindow& records,
                      TaskInputs& inputs);

// Why the files differ now from what the task read ("DS file changed since its task ran"), or
// empty when they do not. A file of the same size with another modification time is compared
// by its content: a copy or a touched file is still the same input.
std::string inputChange(const TaskInputs& recorded);

}  // namespace quorvel::batch
