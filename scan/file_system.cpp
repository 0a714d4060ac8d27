#include "scan/file_system.h"

namespace quorvel {

FileSystemCalls& fileSystemCalls() {
  static FileSystemCalls calls = osFileSystemCalls();
  return calls;
}

}  // namespace quorvel
