#include "gui/ansi_text.h"

#include "platform/codepage.h"

namespace norvane {

namespace {

bool HasAnsiForm(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return true;
  const auto& table = AnsiToUnicodeTable();
  for (int byte = 0x80; byte < 0xA0; ++byte)
    if (table[byte] == code && code != 0xFFFD) return true;
  return false;
}

}  // namespace

QString FromAnsi(std::string_view ansi) {
  const std::string utf8 = AnsiToUtf8(ansi);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToAnsi(const QString& text) {
  return Utf8ToAnsi(text.toStdString());
}

bool IsAnsiText(const QString& text) {
  for (char32_t code : text.toUcs4())
    if (!HasAnsiForm(code)) return false;
  return true;
}

QString BodyFromAnsi(std::string_view body) {
  QString text = FromAnsi(body);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

std::string BodyToAnsi(const QString& text) {
  std::string ansi = ToAnsi(text);
  std::string body;
  body.reserve(ansi.size() + ansi.size() / 32);
  for (char c : ansi) {
    if (c == '\n') body += '\r';
    body += c;
  }
  return body;
}

QString RefusedCharacterNote() {
  return QStringLiteral("That character cannot be stored in a project (Windows-1252 text only).");
}

QValidator::State AnsiValidator::validate(QString& input, int&) const {
  if (IsAnsiText(input)) return Acceptable;
  emit Refused();
  return Invalid;
}

}  // namespace norvane
