#include "batch/task_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel::batch {

namespace {

struct flock wholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;  // from the start, length 0: the whole file
  return lock;
}

}  // namespace

Claim::~Claim() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

Status Claim::take(const std::string& lockPath, bool wait, bool& held) {
  held = false;
  const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0)
    return fileFault(std::string("cannot open the lock: ") + std::strerror(errno), lockPath);
  struct flock lock = wholeFile(F_WRLCK);
  int result = 0;
  do {
    result = fcntl(fd, wait ? F_SETLKW : F_SETLK, &lock);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    close(fd);
    if (error == EACCES || error == EAGAIN) {
      held = true;
      return {};
    }
    return fileFault(std::string("cannot lock: ") + std::strerror(error), lockPath);
  }
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  return {};
}

bool claimedElsewhere(const std::string& lockPath) {
  const int fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock = wholeFile(F_WRLCK);
  const bool held = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return held;
}

}  // namespace quorvel::batch
