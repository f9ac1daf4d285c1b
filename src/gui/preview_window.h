// The modal "Preview Message" window: the merged message read-only in a
// fixed-pitch font without wrapping, the caret at the start; Escape closes it.
#pragma once

#include <QDialog>

#include "app/ui_services.h"

class QPlainTextEdit;

namespace norvane {

class PreviewWindow : public QDialog {
  Q_OBJECT

 public:
  PreviewWindow(const TFormPreview& form, QWidget* parent);
  QPlainTextEdit* Text() const { return text_; }

 private:
  QPlainTextEdit* text_;
};

}  // namespace norvane
