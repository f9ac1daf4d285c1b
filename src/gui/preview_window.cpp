#include "gui/preview_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "gui/ansi_text.h"

namespace norvane {

PreviewWindow::PreviewWindow(const TFormPreview& form, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormPreview"));
  setWindowTitle(FromAnsi(form.Caption));
  resize(640, 480);
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QTextCursor cursor(text_->document());
  QTextCharFormat plain;
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  for (std::size_t i = 0; i < form.Lines.size(); ++i) {
    if (i > 0) cursor.insertBlock();
    cursor.insertText(FromAnsi(form.Lines[i].Text), form.Lines[i].Bold ? bold : plain);
  }
  text_->moveCursor(QTextCursor::Start);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(text_);
}

}  // namespace norvane
