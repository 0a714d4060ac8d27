// Every file the program writes goes through OutputFile, so that no file is ever lost or left
// half written under its real name.
//
// The bytes go to a temporary file beside the target, "NAME.PID-N.quorvel-tmp". commit()
// writes the last buffered bytes, syncs the file to the disk, closes it and renames it over the
// target (then syncs the folder, so that the rename survives a power cut). Every step is checked;
// on any failure the temporary file is removed, the target keeps its previous content and the
// status holds the operating system's reason and the target's path. An object that ends without
// commit() removes its temporary file too. Temporary files of a killed run are recognised by their
// name and removed by the next writer of the same target.
//
// Files of a fresh folder that no reader knows of yet (one that a file committed later will name,
// as the batch page's tiles are named by its tile list) need no temporary file: with
// WriteMode::FreshFolder the bytes go straight under the target's name, which must not exist, and
// commit() syncs and closes the file without a rename; the writer then syncs the folders
// (syncFolders) before it commits the file that names them. A failure removes the file.
//
// Limitations: a target that exists and is not a regular file (a folder, a pipe, a device) is
// refused; a symbolic link as the target is replaced by the file, not written through.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/file_system.h"
#include "scan/status.h"

namespace quorvel {

inline constexpr const char* TEMPORARY_SUFFIX = ".quorvel-tmp";

enum class WriteMode { ReplaceTarget, FreshFolder };

class OutputFile {
 public:
  // Creates the temporary file (or, in a fresh folder, the target); status() tells.
  explicit OutputFile(std::string target, WriteMode mode = WriteMode::ReplaceTarget);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  const std::string& target() const { return target_; }
  // For a library that opens the file by its name (libtiff): it writes there, then commit().
  const std::string& temporaryPath() const { return temporary_; }

  // Buffered; after the first failure nothing more is written.
  void write(std::span<const unsigned char> bytes);
  void write(std::string_view text);

  Status complete();       // the temporary file is whole on the disk and closed
  Status replaceTarget();  // after complete(): the rename over the target
  Status commit();         // complete(), then replaceTarget() (in a fresh folder: complete())

 private:
  void flushBuffer();
  void fail(const std::string& reason);
  void closeHandle();

  std::string target_;
  std::string temporary_;
  FileHandle handle_ = -1;
  bool replaced_ = false;
  bool fresh_ = false;  // WriteMode::FreshFolder
  std::vector<unsigned char> buffer_;
  Status status_;
};

// Files that belong together (a raster and its header): every one is completed before the first
// is renamed, and they are renamed in the given order, so name the header last.
Status commitTogether(std::initializer_list<OutputFile*> files);

// Makes the files written in these folders (WriteMode::FreshFolder) reach the disk by name.
Status syncFolders(const std::vector<std::string>& folders);

// Writes a whole file from bytes in memory through an OutputFile.
Status writeWholeFile(const std::string& path, std::string_view bytes);

// Whether a file name is that of a temporary file of the target named targetName.
bool isTemporaryOf(std::string_view fileName, std::string_view targetName);

}  // namespace quorvel
