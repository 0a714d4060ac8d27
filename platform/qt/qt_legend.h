// The legend in the status bar: a swatch and a text for each colour of the picture shown, as
// the application shell describes them (app/picture_legend.h).
#pragma once

#include <QWidget>

namespace quorvel {

class QtLegend : public QWidget {
 public:
  explicit QtLegend(QWidget* parent);
  void refresh();  // after the picture or its parameters changed
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvel
