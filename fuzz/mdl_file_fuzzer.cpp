// Fuzz target: MDL project file bytes, then the joining and resolving of the project's paths.
#include <cstddef>
#include <cstdint>

#include "scan/project_file.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ProjectPaths paths{"old/", "old.cal", "old.ds"};
  if (!parseMdlFile({data, size}, paths).ok()) return 0;
  for (const std::string* name : {&paths.calibName, &paths.dsName}) {
    std::string joined;
    if (joinProjectPath(paths.directory, *name, joined).ok()) {
      resolveProjectPath("/projects/run.mdl", joined);
    }
  }
  return 0;
}
