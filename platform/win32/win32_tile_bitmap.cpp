// Tile bitmaps and stage messages on Win32: CreateDIBitmap on the screen context, DeleteObject,
// and MessageBoxA without owner.
#include <windows.h>

#include "render/tile_bitmap.h"
#include "scan/stage_message.h"

namespace quorvel {

TileBitmap createTileBitmap(const unsigned char* infoHeader, const unsigned char* pixelRows) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap =
      CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(infoHeader), CBM_INIT,
                     pixelRows, reinterpret_cast<const BITMAPINFO*>(infoHeader), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void deleteTileBitmap(TileBitmap bitmap) {
  DeleteObject(static_cast<HBITMAP>(bitmap));
}

void showStageMessage(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

}  // namespace quorvel
