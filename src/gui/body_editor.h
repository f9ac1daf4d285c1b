// The body editor (Memo1): fixed-pitch, word-wrapped display, lines kept as
// typed. It refuses typed or pasted text with a character that has no
// Windows-1252 form (Refused), and hands files dropped on it to the window
// (FilesDropped) instead of inserting their names as text.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

namespace norvane {

class BodyEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit BodyEditor(QWidget* parent = nullptr);

  // The selection in bytes of the project's body, where a line break is two.
  int AnsiSelStart() const;
  int AnsiSelLength() const;
  // Places the caret at a byte position of the project's body.
  void SetAnsiCaret(int position);

 signals:
  void Refused();
  void FilesDropped(const QStringList& paths);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  int AnsiPosition(int position) const;
};

// The local files a drag carries, empty when it carries none.
QStringList DroppedFiles(const QMimeData* data);

}  // namespace norvane
