#include "platform/headless/headless_platform.h"

#include <atomic>
#include <cstring>
#include <iostream>
#include <mutex>
#include <new>

#include "scan/stage_message.h"

namespace quorvel {

namespace {

std::atomic<int> failuresToCome{0};
std::atomic<int> liveBitmaps{0};
std::mutex messagesMutex;
std::vector<StageMessage> messages;

int32_t int32At(const unsigned char* at) {
  int32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

TileBitmap createTileBitmap(const unsigned char* infoHeader, const unsigned char* pixelRows) {
  if (failuresToCome > 0) {
    --failuresToCome;
    return nullptr;
  }
  auto* bitmap = new (std::nothrow) HeadlessBitmap;
  if (!bitmap) return nullptr;
  bitmap->width = int32At(infoHeader + 4);
  bitmap->height = int32At(infoHeader + 8);
  const size_t size = 3 * static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height);
  try {
    bitmap->rows.assign(pixelRows, pixelRows + size);
  } catch (const std::bad_alloc&) {
    delete bitmap;
    return nullptr;
  }
  ++liveBitmaps;
  return bitmap;
}

void deleteTileBitmap(TileBitmap bitmap) {
  if (!bitmap) return;
  delete static_cast<HeadlessBitmap*>(bitmap);
  --liveBitmaps;
}

const HeadlessBitmap& headlessBitmap(TileBitmap bitmap) {
  return *static_cast<const HeadlessBitmap*>(bitmap);
}

const unsigned char* tileBitmapRows(TileBitmap bitmap) {
  return headlessBitmap(bitmap).rows.data();
}

void failNextTileBitmaps(int n) {
  failuresToCome = n;
}
int liveTileBitmaps() {
  return liveBitmaps;
}

void showStageMessage(const char* text, const char* caption) {
  std::cerr << caption << ": " << text << "\n";
  const std::lock_guard<std::mutex> lock(messagesMutex);
  messages.push_back({text, caption});
}

const std::vector<StageMessage>& shownStageMessages() {
  return messages;
}

}  // namespace quorvel
