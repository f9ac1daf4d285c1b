// The widget edge of the project's text: Windows-1252 bytes inside the
// system, Unicode in Qt. Converting happens here and nowhere else. A
// character that has no Windows-1252 form cannot enter the project: the line
// boxes refuse it through AnsiValidator, the body editor through its own
// input handling, and both say so in one short note.
#pragma once

#include <QString>
#include <QValidator>
#include <string>
#include <string_view>

namespace norvane {

QString FromAnsi(std::string_view ansi);
std::string ToAnsi(const QString& text);
// Every character of `text` has a Windows-1252 form (the five bytes the code
// page leaves undefined do not count as forms).
bool IsAnsiText(const QString& text);

// The body in the project breaks lines with CR LF; the editor with LF.
QString BodyFromAnsi(std::string_view body);
std::string BodyToAnsi(const QString& text);

// The status-bar note after a refused character.
QString RefusedCharacterNote();

class AnsiValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;

 signals:
  void Refused() const;
};

}  // namespace norvane
