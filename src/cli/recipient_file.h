// The command line's side of reading a recipient file through the import
// dialog's logic (for `import` and `new`): the e-mail column chosen by name
// or position, and a UTF-8 text file converted to the project's Windows-1252
// before the dialog reads it.
#pragma once

#include <string>

#include "import/import_dialog.h"

namespace norvane::cli {

// A text file up to this size is checked for UTF-8; a larger one is read as
// Windows-1252 as the import dialog reads it, without being held in memory.
inline constexpr std::size_t kUtf8CheckLimit = std::size_t{256} << 20;

// The position in `columns` of `wanted`: a column name (without letter case)
// or a position from 1. Throws std::invalid_argument listing the columns.
int ChooseColumn(const std::vector<std::string>& columns, const std::string& wanted, const std::string& file);

// For a text file in UTF-8, hands its converted text to the dialog; prints
// what it did. Throws (unmappable characters unless `replaceUnmappable`, an
// unreadable file) before the dialog has read anything.
void ConvertUtf8RecipientFile(TImportDialog& dialog, const std::string& file, bool replaceUnmappable);

}  // namespace norvane::cli
