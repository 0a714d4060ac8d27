// The batch page's static files, built into the program (from batch/view/ and Debian's
// libjs-leaflet), so that a batch needs no package at run time to write its page.
#pragma once

#include <span>

namespace quorvel::batch {

struct PageAsset {
  const char* path;  // in the batch folder: "index.html", "view/page.js", ...
  std::span<const unsigned char> bytes;
};

std::span<const PageAsset> pageAssets();

}  // namespace quorvel::batch
