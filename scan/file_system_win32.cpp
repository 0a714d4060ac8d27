#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "scan/file_system.h"

namespace quorvel {

namespace {

std::string lastError() {
  return std::strerror(errno);
}

std::string windowsError(DWORD code) {
  char text[512];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason.empty() ? "error " + std::to_string(code) : reason;
}

// The program's paths are in the ANSI code page, as its file dialogs give them.
std::wstring widePath(const std::string& path) {
  const int size = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(size > 0 ? size : 1));
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), size);
  return wide.data();
}

// Opened without delete sharing: nobody can remove the file while it is being written.
std::string createNew(const std::string& path, FileHandle& handle) {
  const errno_t error = _sopen_s(&handle, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                                 _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return error == 0 ? std::string() : std::strerror(error);
}

std::string writeAll(FileHandle handle, const unsigned char* bytes, size_t size) {
  while (size > 0) {
    const unsigned int chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
    const int written = _write(handle, bytes, chunk);
    if (written < 0) return lastError();
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return {};
}

std::string syncFile(FileHandle handle) {
  return _commit(handle) == 0 ? std::string() : lastError();
}

std::string closeFile(FileHandle handle) {
  return _close(handle) == 0 ? std::string() : lastError();
}

std::string replaceFile(const std::string& from, const std::string& to) {
  if (MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  return windowsError(GetLastError());
}

// MOVEFILE_WRITE_THROUGH already waited for the rename to reach the disk.
std::string syncFolder(const std::string&) {
  return {};
}

std::string readFile(FileHandle handle, unsigned char* bytes, size_t size, size_t& got) {
  const unsigned int chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
  const int read = _read(handle, bytes, chunk);
  if (read < 0) return lastError();
  got = static_cast<size_t>(read);
  return {};
}

}  // namespace

const FileSystemCalls& osFileSystemCalls() {
  static const FileSystemCalls calls{createNew,   writeAll,   syncFile, closeFile,
                                     replaceFile, syncFolder, readFile};
  return calls;
}

std::string openRegularFile(const std::string& path, FileHandle& handle) {
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return "a folder, not a regular file";
  }
  const errno_t error =
      _sopen_s(&handle, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, _S_IREAD);
  if (error != 0) return std::strerror(error);
  struct _stat64 status;
  std::string reason;
  if (_fstat64(handle, &status) != 0) {
    reason = lastError();
  } else if ((status.st_mode & _S_IFMT) != _S_IFREG) {
    reason = "a device or pipe, not a regular file";
  }
  if (!reason.empty()) _close(handle);
  return reason;
}

void closeReadFile(FileHandle handle) {
  _close(handle);
}

std::string readFileSize(FileHandle handle, uint64_t& size) {
  struct _stat64 status;
  if (_fstat64(handle, &status) != 0) return lastError();
  size = static_cast<uint64_t>(status.st_size);
  return {};
}

std::string readFileAt(FileHandle handle, uint64_t offset, unsigned char* bytes, size_t size,
                       size_t& got) {
  got = 0;
  if (_lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) < 0) return lastError();
  while (got < size) {
    size_t read = 0;
    if (std::string reason = readFile(handle, bytes + got, size - got, read); !reason.empty()) {
      return reason;
    }
    if (read == 0) break;
    got += read;
  }
  return {};
}

// A file that a running writer holds open cannot be deleted: it lacks delete sharing.
void removeIfAbandoned(const std::string& path) {
  DeleteFileW(widePath(path).c_str());
}

void removeFile(const std::string& path) {
  DeleteFileW(widePath(path).c_str());
}

int currentProcessId() {
  return static_cast<int>(GetCurrentProcessId());
}

}  // namespace quorvel
