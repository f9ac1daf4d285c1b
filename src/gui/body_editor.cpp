#include "gui/body_editor.h"

#include <QDragEnterEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QUrl>

#include "gui/ansi_text.h"

namespace norvane {

QStringList DroppedFiles(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

BodyEditor::BodyEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("Memo1"));
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(false);
}

int BodyEditor::AnsiPosition(int position) const {
  // One byte per character (every character has a single-byte form), plus
  // the CR in front of every line break before the position.
  QTextBlock block = document()->findBlock(position);
  return position + (block.isValid() ? block.blockNumber() : 0);
}

int BodyEditor::AnsiSelStart() const {
  return AnsiPosition(textCursor().selectionStart());
}

int BodyEditor::AnsiSelLength() const {
  QTextCursor cursor = textCursor();
  return AnsiPosition(cursor.selectionEnd()) - AnsiPosition(cursor.selectionStart());
}

void BodyEditor::SetAnsiCaret(int position) {
  // Walk the blocks: each one's bytes are its length plus the CR LF after it.
  int bytes = 0;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    int length = block.length() - 1;
    if (position <= bytes + length || !block.next().isValid()) {
      QTextCursor cursor(block);
      cursor.setPosition(block.position() + std::min(std::max(position - bytes, 0), length));
      setTextCursor(cursor);
      return;
    }
    bytes += length + 2;
  }
}

void BodyEditor::keyPressEvent(QKeyEvent* event) {
  if (!event->text().isEmpty() && !IsAnsiText(event->text())) {
    emit Refused();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

bool BodyEditor::canInsertFromMimeData(const QMimeData* source) const {
  return DroppedFiles(source).isEmpty() && QPlainTextEdit::canInsertFromMimeData(source);
}

void BodyEditor::insertFromMimeData(const QMimeData* source) {
  if (source->hasText() && !IsAnsiText(source->text())) {
    emit Refused();
    return;
  }
  QPlainTextEdit::insertFromMimeData(source);
}

void BodyEditor::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragEnterEvent(event);
}

void BodyEditor::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
    return;
  }
  QPlainTextEdit::dragMoveEvent(event);
}

void BodyEditor::dropEvent(QDropEvent* event) {
  QStringList files = DroppedFiles(event->mimeData());
  if (!files.isEmpty()) {
    event->acceptProposedAction();
    emit FilesDropped(files);
    return;
  }
  QPlainTextEdit::dropEvent(event);
}

}  // namespace norvane
