// The native bitmap of a picture tile. The window system makes it (CreateDIBitmap on Windows;
// a copy of the rows in memory for the command line and the tests); each program links exactly
// one implementation of these functions.
#pragma once

namespace quorvel {

using TileBitmap = void*;  // opaque: an HBITMAP on Windows, a HeadlessBitmap* headless

// A bitmap from a 40-byte bitmap information header (width, positive height, 24 bits) and its
// bottom-up Blue-Green-Red rows; none when it cannot be made.
TileBitmap createTileBitmap(const unsigned char* infoHeader, const unsigned char* pixelRows);
void deleteTileBitmap(TileBitmap bitmap);

// The bottom-up Blue-Green-Red rows a bitmap was made from (3 * width bytes per row), for writing
// a picture to a file. Only the window system without a window keeps them: the programs that
// write pictures (the command line, the Python module, the tests) link that one.
const unsigned char* tileBitmapRows(TileBitmap bitmap);

}  // namespace quorvel
