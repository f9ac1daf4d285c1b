// A bold label for a file's path that shortens it in the middle when the
// label is too narrow ("/home/me/…/list.csv"), so both the start and the
// file name stay visible; the whole path is its tool tip.
#pragma once

#include <QLabel>

namespace norvane {

class ElidedPathLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedPathLabel(QWidget* parent = nullptr);

  void SetPath(const QString& path);
  const QString& Path() const { return path_; }
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString path_;
};

}  // namespace norvane
