#include "tests/support/command_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "tests/support/test_files.h"

extern char** environ;

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

int startProgram(const std::string& program, const std::string& arguments, bool ownGroup) {
  std::vector<std::string> words = {program};
  std::istringstream split(arguments);
  for (std::string word; split >> word;) words.push_back(word);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&quiet, 1, 2);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &quiet, &attributes, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&quiet);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

}  // namespace quorvel::test
