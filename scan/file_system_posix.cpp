#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scan/file_system.h"

namespace quorvel {

namespace {

std::string lastError() {
  return std::strerror(errno);
}

std::string createNew(const std::string& path, FileHandle& handle) {
  handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (handle < 0) return lastError();
  // The lock marks the file as being written; it ends with the process, however that ends.
  if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
    const std::string reason = lastError();
    ::close(handle);
    ::unlink(path.c_str());
    return reason;
  }
  return {};
}

std::string writeAll(FileHandle handle, const unsigned char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(handle, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return {};
}

std::string syncFile(FileHandle handle) {
  return ::fsync(handle) == 0 ? std::string() : lastError();
}

std::string closeFile(FileHandle handle) {
  return ::close(handle) == 0 ? std::string() : lastError();
}

std::string replaceFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::string() : lastError();
}

std::string syncFolder(const std::string& folder) {
  const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return lastError();
  // Some file systems cannot sync a folder (EINVAL); their renames are as durable as they get.
  const bool synced = ::fsync(handle) == 0 || errno == EINVAL;
  const std::string reason = synced ? std::string() : lastError();
  ::close(handle);
  return reason;
}

const char* fileTypeName(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "another kind of file";
}

std::string readFile(FileHandle handle, unsigned char* bytes, size_t size, size_t& got) {
  for (;;) {
    const ssize_t read = ::read(handle, bytes, size);
    if (read >= 0) {
      got = static_cast<size_t>(read);
      return {};
    }
    if (errno != EINTR) return lastError();
  }
}

}  // namespace

const FileSystemCalls& osFileSystemCalls() {
  static const FileSystemCalls calls{createNew,   writeAll,   syncFile, closeFile,
                                     replaceFile, syncFolder, readFile};
  return calls;
}

std::string openRegularFile(const std::string& path, FileHandle& handle) {
  // Non-blocking, so that opening a named pipe does not wait for a writer.
  handle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return lastError();
  struct stat status;
  std::string reason;
  if (::fstat(handle, &status) != 0) {
    reason = lastError();
  } else if (!S_ISREG(status.st_mode)) {
    reason = std::string(fileTypeName(status.st_mode)) + ", not a regular file";
  }
  if (!reason.empty()) ::close(handle);
  return reason;
}

void closeReadFile(FileHandle handle) {
  ::close(handle);
}

std::string readFileSize(FileHandle handle, uint64_t& size) {
  struct stat status;
  if (::fstat(handle, &status) != 0) return lastError();
  size = static_cast<uint64_t>(status.st_size);
  return {};
}

std::string readFileAt(FileHandle handle, uint64_t offset, unsigned char* bytes, size_t size,
                       size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t read = ::pread(handle, bytes + got, size - got, static_cast<off_t>(offset + got));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return lastError();
    if (read == 0) break;
    got += static_cast<size_t>(read);
  }
  return {};
}

void removeIfAbandoned(const std::string& path) {
  const int handle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (handle < 0) return;
  struct stat status;
  if (::fstat(handle, &status) == 0 && S_ISREG(status.st_mode) &&
      ::flock(handle, LOCK_EX | LOCK_NB) == 0) {
    ::unlink(path.c_str());
  }
  ::close(handle);
}

void removeFile(const std::string& path) {
  ::unlink(path.c_str());
}

int currentProcessId() {
  return static_cast<int>(::getpid());
}

}  // namespace quorvel
