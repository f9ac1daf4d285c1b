#include "cli/recipient_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "cli/terminal_text.h"
#include "cli/text_input.h"
#include "platform/codepage.h"

namespace norvane::cli {

int ChooseColumn(const std::vector<std::string>& columns, const std::string& wanted,
                 const std::string& file) {
  std::string ansi = Utf8ToAnsi(wanted);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (AnsiEqualsIgnoreCase(columns[i], ansi)) return static_cast<int>(i);
  char* end = nullptr;
  long position = std::strtol(wanted.c_str(), &end, 10);
  if (!wanted.empty() && *end == '\0' && position >= 1 &&
      static_cast<std::size_t>(position) <= columns.size())
    return static_cast<int>(position - 1);
  std::string known;
  for (const auto& column : columns) known += (known.empty() ? "" : ", ") + ForTerminal(column);
  throw std::invalid_argument(file + ": no column '" + wanted + "' (columns: " + known + ")");
}

void ConvertUtf8RecipientFile(TImportDialog& dialog, const std::string& file, bool replaceUnmappable) {
  if (FileKindOfPath(file) != TFileKind::fkText) return;
  struct stat info;
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::size_t>(info.st_size) > kUtf8CheckLimit)
    return;  // the dialog reports what is wrong with it, or reads it as it is
  bool converted = false;
  std::string text = AnsiFromFile(ReadInput(file, kUtf8CheckLimit), file, replaceUnmappable, &converted);
  if (!converted) return;
  std::printf("%s: UTF-8, converted to Windows-1252\n", file.c_str());
  dialog.FTextBytes = std::move(text);
}

}  // namespace norvane::cli
