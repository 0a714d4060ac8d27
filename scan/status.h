// The result of a step that can fail, with the reason in words. The outward 1 / 0 results and
// fixed message texts stay as they are; the reason is what the command line adds after them.
#pragma once

#include <string>
#include <string_view>

namespace quorvel {

struct Status {
  std::string reason;  // empty when the step succeeded
  std::string file;    // the file that could not be written or read, when the fault names one
  bool ok() const { return reason.empty(); }
};

// Builds a uniform reason text: "WHAT: VALUE; expected EXPECTED; WHERE", leaving out empty parts.
// Example: fault("unsupported set-up", "resolution 2.0, field of view 180.0",
//                "1.0/180.0, 0.5/180.0 or 0.25/100.0", "in the header").
Status fault(std::string_view what, std::string_view value = {}, std::string_view expected = {},
             std::string_view where = {});

// A file operation that failed: the operating system's reason, and the file.
Status fileFault(std::string_view reason, std::string_view file);

}  // namespace quorvel
