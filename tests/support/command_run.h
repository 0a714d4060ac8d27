// Runs a shell command with its standard output and error caught in files of a test folder.
#pragma once

#include <string>

namespace quorvel::test {

struct CommandRun {
  int status = -1;  // exit status; -1 when the command did not exit normally
  std::string out, err;
};

// Runs `command` through the shell, its output caught in dir/stdout.txt and dir/stderr.txt.
CommandRun runCommand(const std::string& dir, const std::string& command);

std::string textOf(const std::string& path);  // the whole file as text; empty when absent

// Starts `program ARGUMENTS` (words without blanks) without waiting, its output thrown away, in a
// process group of its own when asked (so that killing the group ends its children too); the
// process id, or -1.
int startProgram(const std::string& program, const std::string& arguments, bool ownGroup);

}  // namespace quorvel::test
