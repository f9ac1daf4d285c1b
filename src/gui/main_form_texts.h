// The main window's own texts from its word table: the menu bar's captions,
// the two box labels and the toolbar buttons' captions and hints. The
// actions-as-data give every other caption, hint and shortcut. Without a
// readable table the English texts below stand.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "ui/word_tables.h"

namespace norvane {

struct MainFormTexts {
  // Component name -> caption ("File1" -> "&File", "Label1" -> "&To:", ...).
  std::map<std::string, std::string> Captions;
  // Toolbar button name -> hint ("ToolButton2" -> "Preview message", ...).
  std::map<std::string, std::string> Hints;

  const std::string& Caption(const std::string& name) const { return Captions.at(name); }
};

MainFormTexts ReadMainFormTexts(const std::optional<TWordTables>& tables);

}  // namespace norvane
