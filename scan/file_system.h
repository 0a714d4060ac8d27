// The operating system's file calls that reading and durable writing rest on, one table of plain
// functions per platform (file_system_posix.cpp, file_system_win32.cpp). Each call returns an
// empty text on success and the operating system's reason otherwise ("No space left on
// device", "File too large", "Permission denied", ...).
//
// The table is process-wide so that a test can make one step fail; the program never changes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

using FileHandle = int;  // a file descriptor (POSIX) or a C runtime handle (Windows)

struct FileSystemCalls {
  // Creates a new file for writing, failing when the name exists, and holds it so that
  // removeIfAbandoned() leaves it alone while this process has it open.
  std::string (*createNew)(const std::string& path, FileHandle& handle);
  std::string (*write)(FileHandle handle, const unsigned char* bytes, size_t size);  // all of them
  std::string (*sync)(FileHandle handle);  // the file's bytes reach the disk
  std::string (*close)(FileHandle handle);
  // Renames from over to in one step; to is replaced when it exists.
  std::string (*replace)(const std::string& from, const std::string& to);
  std::string (*syncFolder)(const std::string& folder);  // a rename in it reaches the disk
  // Reads up to size bytes of a file opened by openRegularFile(); got is 0 at its end.
  std::string (*read)(FileHandle handle, unsigned char* bytes, size_t size, size_t& got);
};

FileSystemCalls& fileSystemCalls();          // the calls in use
const FileSystemCalls& osFileSystemCalls();  // the operating system's own

// Opens a regular file for reading; a folder, a named pipe or a device is refused before any
// byte is read (and without waiting for a pipe's writer).
std::string openRegularFile(const std::string& path, FileHandle& handle);
void closeReadFile(FileHandle handle);
// A file opened for reading by openRegularFile(), closed when it goes.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile() {
    if (handle_ >= 0) closeReadFile(handle_);
  }
  std::string open(const std::string& path) {  // the reason it cannot be read, or empty
    std::string reason = openRegularFile(path, handle_);
    if (!reason.empty()) handle_ = -1;
    return reason;
  }
  FileHandle handle() const { return handle_; }

 private:
  FileHandle handle_ = -1;
};

// The size of a file opened by openRegularFile().
std::string readFileSize(FileHandle handle, uint64_t& size);
// Reads size bytes from offset on, fewer only where the file ends (got tells how many).
std::string readFileAt(FileHandle handle, uint64_t offset, unsigned char* bytes, size_t size,
                       size_t& got);

// Removes a file that a writer created and then abandoned (its process ended before renaming it);
// a file that a running writer holds stays.
void removeIfAbandoned(const std::string& path);

// Removes a file; a missing file is no error.
void removeFile(const std::string& path);

int currentProcessId();

}  // namespace quorvel
