#include "scan/output_file.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

namespace quorvel {

namespace {

constexpr size_t BUFFER_SIZE = size_t{1} << 18;  // 256 KiB: few system calls, little memory

std::atomic<unsigned> temporaryCounter{0};

std::string folderOf(const std::string& target) {
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

std::string fileNameOf(const std::string& target) {
  return std::filesystem::path(target).filename().string();
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the temporary files of the target that no running writer holds.
void removeAbandonedTemporaries(const std::string& target) {
  const std::string name = fileNameOf(target);
  std::error_code error;
  std::filesystem::directory_iterator entries(folderOf(target), error);
  if (error) return;
  for (const std::filesystem::directory_entry& entry : entries) {
    if (isTemporaryOf(entry.path().filename().string(), name)) {
      removeIfAbandoned(entry.path().string());
    }
  }
}

// A name no file has: NAME.PID-N.quorvel-tmp.
std::string unusedTemporaryName(const std::string& target) {
  const std::string prefix = target + "." + std::to_string(currentProcessId()) + "-";
  for (;;) {
    std::string name = prefix + std::to_string(temporaryCounter++) + TEMPORARY_SUFFIX;
    std::error_code error;
    if (!std::filesystem::exists(name, error)) return name;
  }
}

// An existing target must be a regular file: renaming over anything else would replace it.
std::string checkTarget(const std::string& target) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(target, error);
  if (!std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return {};
  if (std::filesystem::is_directory(status)) return "a folder, not a regular file";
  return "not a regular file";
}

}  // namespace

bool isTemporaryOf(std::string_view fileName, std::string_view targetName) {
  const std::string_view suffix = TEMPORARY_SUFFIX;
  if (fileName.size() <= targetName.size() + 1 + suffix.size() ||
      !fileName.starts_with(targetName) || fileName[targetName.size()] != '.' ||
      !fileName.ends_with(suffix)) {
    return false;
  }
  const std::string_view middle = fileName.substr(
      targetName.size() + 1, fileName.size() - targetName.size() - 1 - suffix.size());
  const size_t dash = middle.find('-');
  return dash != std::string_view::npos && allDigits(middle.substr(0, dash)) &&
         allDigits(middle.substr(dash + 1));
}

OutputFile::OutputFile(std::string target, WriteMode mode) : target_(std::move(target)) {
  if (mode == WriteMode::FreshFolder) {
    temporary_ = target_;  // written in place: nothing names the folder yet
    fresh_ = true;
  } else {
    if (const std::string reason = checkTarget(target_); !reason.empty()) {
      status_ = fileFault(reason, target_);
      return;
    }
    removeAbandonedTemporaries(target_);
    temporary_ = unusedTemporaryName(target_);
  }
  if (const std::string reason = fileSystemCalls().createNew(temporary_, handle_);
      !reason.empty()) {
    handle_ = -1;
    temporary_.clear();
    status_ = fileFault(reason, target_);
    return;
  }
  buffer_.reserve(BUFFER_SIZE);
}

OutputFile::~OutputFile() {
  closeHandle();
  if (!replaced_ && !temporary_.empty()) removeFile(temporary_);
}

void OutputFile::write(std::span<const unsigned char> bytes) {
  if (!ok()) return;
  if (buffer_.size() + bytes.size() > BUFFER_SIZE) flushBuffer();
  if (bytes.size() >= BUFFER_SIZE) {
    if (!ok()) return;
    const std::string reason = fileSystemCalls().write(handle_, bytes.data(), bytes.size());
    if (!reason.empty()) fail(reason);
    return;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void OutputFile::write(std::string_view text) {
  write(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

void OutputFile::flushBuffer() {
  if (!ok() || buffer_.empty()) return;
  const std::string reason = fileSystemCalls().write(handle_, buffer_.data(), buffer_.size());
  buffer_.clear();
  if (!reason.empty()) fail(reason);
}

void OutputFile::fail(const std::string& reason) {
  if (ok()) status_ = fileFault(reason, target_);
  closeHandle();
  if (!temporary_.empty()) removeFile(temporary_);
  temporary_.clear();
}

void OutputFile::closeHandle() {
  if (handle_ < 0) return;
  const FileHandle handle = handle_;
  handle_ = -1;
  const std::string reason = fileSystemCalls().close(handle);
  if (!reason.empty()) fail(reason);
}

Status OutputFile::complete() {
  flushBuffer();
  if (ok() && handle_ >= 0) {
    if (const std::string reason = fileSystemCalls().sync(handle_); !reason.empty()) fail(reason);
  }
  closeHandle();
  return status_;
}

Status OutputFile::replaceTarget() {
  if (handle_ >= 0) complete();
  if (!ok()) return status_;
  if (const std::string reason = fileSystemCalls().replace(temporary_, target_); !reason.empty()) {
    fail(reason);
    return status_;
  }
  replaced_ = true;
  if (const std::string reason = fileSystemCalls().syncFolder(folderOf(target_)); !reason.empty()) {
    status_ = fileFault(reason, target_);
  }
  return status_;
}

Status OutputFile::commit() {
  complete();
  if (fresh_) {
    replaced_ = ok();  // the file stays under its name
    return status_;
  }
  return replaceTarget();
}

Status syncFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    if (const std::string reason = fileSystemCalls().syncFolder(folder); !reason.empty()) {
      return fileFault(reason, folder);
    }
  }
  return {};
}

Status writeWholeFile(const std::string& path, std::string_view bytes) {
  OutputFile file(path);
  file.write(bytes);
  return file.commit();
}

Status commitTogether(std::initializer_list<OutputFile*> files) {
  for (OutputFile* file : files) {
    if (Status status = file->complete(); !status.ok()) return status;
  }
  for (OutputFile* file : files) {
    if (Status status = file->replaceTarget(); !status.ok()) return status;
  }
  return {};
}

}  // namespace quorvel
