#include "batch/task_inputs.h"

#include <sys/stat.h>

#include <filesystem>
#include <span>

#include "scan/content_hash.h"
#include "scan/file_bytes.h"

namespace quorvel::batch {

namespace {

std::string recordsHash(const ScanStore& store) {
  uint64_t hash = fnv1a({});
  const size_t recordSize = static_cast<size_t>(store.recordSize);
  for (int32_t l = 0; l < store.lineCount; ++l) {
    const auto* record = reinterpret_cast<const unsigned char*>(&(*store.lines)[l]);
    hash = fnv1a(std::span(record, recordSize), hash);
  }
  return hashText(hash);
}

Status hashWholeFile(FileIdentity& identity) {
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(identity.path, bytes); !status.ok()) return status;
  identity.hash = hashText(fnv1a(bytes));
  return {};
}

Status identifyText(const std::string& path, FileIdentity& identity) {
  if (Status status = identifyFile(path, identity); !status.ok()) return status;
  return hashWholeFile(identity);
}

// The content hash of the file as it is now, computed as the task computed it.
std::string currentHash(const FileIdentity& recorded, const LineWindow* records) {
  if (!records) {
    FileIdentity now = recorded;
    return hashWholeFile(now).ok() ? now.hash : "";
  }
  DsContents contents;
  if (!readDsLineWindow(recorded.path, *records, contents).ok()) return "";
  ScanStore store;
  initScanStore(store);
  installDsContents(store, std::move(contents));
  const std::string hash = recordsHash(store);
  freeScanStore(store);
  return hash;
}

std::string fileChange(const char* what, const FileIdentity& recorded, const LineWindow* records) {
  FileIdentity now;
  if (!identifyFile(recorded.path, now).ok()) {
    return std::string(what) + " file is missing or unreadable since its task ran";
  }
  const bool same = now.size == recorded.size && (now.modified == recorded.modified ||
                                                  currentHash(recorded, records) == recorded.hash);
  return same ? "" : std::string(what) + " file changed since its task ran";
}

}  // namespace

Status identifyFile(const std::string& path, FileIdentity& identity) {
  identity.path = std::filesystem::absolute(path).lexically_normal().string();
  struct stat info {};
  if (stat(identity.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return fileFault("not a readable file", identity.path);
  }
  identity.size = static_cast<uint64_t>(info.st_size);
  identity.modified = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  return {};
}

Status identifyInputs(const std::string& mdlPath, const std::string& calibPath,
                      const std::string& dsPath, const ScanStore& loaded, const LineWindow& records,
                      TaskInputs& inputs) {
  if (Status status = identifyText(mdlPath, inputs.mdl); !status.ok()) return status;
  if (Status status = identifyText(calibPath, inputs.calib); !status.ok()) return status;
  if (Status status = identifyFile(dsPath, inputs.ds); !status.ok()) return status;
  inputs.ds.hash = recordsHash(loaded);
  inputs.records = records;
  return {};
}

std::string inputChange(const TaskInputs& recorded) {
  std::string change = fileChange("MDL", recorded.mdl, nullptr);
  if (change.empty()) change = fileChange("calibration", recorded.calib, nullptr);
  if (change.empty()) change = fileChange("DS", recorded.ds, &recorded.records);
  return change;
}

}  // namespace quorvel::batch
