#include "cli/huge_pages.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quorvel::cli {

void restartWithHugePages(char** argv) {
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  const std::string current = tunables ? tunables : "";
  if (current.find("glibc.malloc.hugetlb") != std::string::npos) return;
  if (std::getenv("QUORVEL_SMALL_PAGES")) return;
  const std::string wanted =
      current.empty() ? "glibc.malloc.hugetlb=1" : current + ":glibc.malloc.hugetlb=1";
  if (setenv("GLIBC_TUNABLES", wanted.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  unsetenv("GLIBC_TUNABLES");  // not restarted: go on as started
  if (tunables) setenv("GLIBC_TUNABLES", tunables, 1);
}

}  // namespace quorvel::cli
