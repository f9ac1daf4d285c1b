#include "gui/elided_path_label.h"

#include <QFontMetrics>

namespace norvane {

ElidedPathLabel::ElidedPathLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedPathLabel::SetPath(const QString& path) {
  path_ = path;
  setToolTip(path);
  Elide();
}

QSize ElidedPathLabel::minimumSizeHint() const {
  return {0, QLabel::minimumSizeHint().height()};
}

void ElidedPathLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedPathLabel::Elide() {
  setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, contentsRect().width()));
}

}  // namespace norvane
