// Tile bitmaps and stage messages on Qt: a QImage per tile, turned top-down, and a message box
// without owner, shown by the user-interface thread also for a stage running on another one.
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QThread>

#include <cstring>

#include "platform/qt/qt_busy_indicator.h"
#include "render/tile_bitmap.h"
#include "scan/stage_message.h"

namespace quorvel {

TileBitmap createTileBitmap(const unsigned char* infoHeader, const unsigned char* pixelRows) {
  int32_t width, height;
  std::memcpy(&width, infoHeader + 4, sizeof width);
  std::memcpy(&height, infoHeader + 8, sizeof height);
  auto* image = new QImage(width, height, QImage::Format_RGB888);
  if (image->isNull()) {
    delete image;
    return nullptr;
  }
  for (int32_t y = 0; y < height; ++y) {
    const unsigned char* in = pixelRows + static_cast<size_t>(height - 1 - y) * width * 3;
    unsigned char* out = image->scanLine(y);
    for (int32_t x = 0; x < width; ++x) {  // Blue-Green-Red to Red-Green-Blue
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  return image;
}

void deleteTileBitmap(TileBitmap bitmap) {
  delete static_cast<QImage*>(bitmap);
}

void showStageMessage(const char* text, const char* caption) {
  const auto show = [text, caption] {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    const ModalPause pause;
    box.exec();
  };
  if (QThread::currentThread() == qApp->thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
  }
}

}  // namespace quorvel
