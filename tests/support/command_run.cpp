#include "tests/support/command_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/test_files.h"

namespace quorvel::test {

std::string textOf(const std::string& path) {
  const auto bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

CommandRun runCommand(const std::string& dir, const std::string& command) {
  const std::string out = dir + "/stdout.txt", err = dir + "/stderr.txt";
  const std::string redirected = command + " >" + out + " 2>" + err;
  const int raw = std::system(redirected.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, textOf(out), textOf(err)};
}

}  // namespace quorvel::test
