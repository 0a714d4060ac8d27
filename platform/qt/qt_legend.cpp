#include "platform/qt/qt_legend.h"

#include <QPainter>

#include "app/picture_legend.h"
#include "app/view_state.h"

namespace quorvel {

namespace {

constexpr int SWATCH = 12;  // pixels square
constexpr int GAP = 4;      // between a swatch and its text
constexpr int SPACE = 10;   // between an entry and the next

std::vector<LegendSwatch> shownLegend() {
  return pictureLegend(viewState.picture, renderParams, segmentParams);
}

}  // namespace

QtLegend::QtLegend(QWidget* parent) : QWidget(parent) {
  setMinimumWidth(1);  // never keeps the window from fitting a small picture: it is cut instead
}

void QtLegend::refresh() {
  updateGeometry();
  update();
}

QSize QtLegend::sizeHint() const {
  int width = 0;
  for (const LegendSwatch& swatch : shownLegend()) {
    width +=
        SWATCH + GAP + fontMetrics().horizontalAdvance(QString::fromStdString(swatch.text)) + SPACE;
  }
  return {width, std::max(SWATCH, fontMetrics().height())};
}

void QtLegend::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  int x = 0;
  const int top = (height() - SWATCH) / 2;
  for (const LegendSwatch& swatch : shownLegend()) {
    painter.setPen(Qt::darkGray);
    painter.setBrush(QColor(swatch.colour.red, swatch.colour.green, swatch.colour.blue));
    painter.drawRect(x, top, SWATCH - 1, SWATCH - 1);
    x += SWATCH + GAP;
    const QString text = QString::fromStdString(swatch.text);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text);
    x += fontMetrics().horizontalAdvance(text) + SPACE;
  }
}

}  // namespace quorvel
