#include "gui/main_form_texts.h"

#include <utility>
#include <vector>

#include "ui/component_tree.h"
#include "ui/multi_lang.h"

namespace norvane {

namespace {

struct Default {
  const char* name;
  TComponentKind kind;
  const char* caption;
  const char* hint;
};

const std::vector<Default>& Defaults() {
  static const std::vector<Default> defaults = {
      {"File1", TComponentKind::MenuItem, "&File", ""},
      {"Search1", TComponentKind::MenuItem, "&Search", ""},
      {"Insert1", TComponentKind::MenuItem, "&Insert", ""},
      {"Tools1", TComponentKind::MenuItem, "&Tools", ""},
      {"Help1", TComponentKind::MenuItem, "&Help", ""},
      {"Label1", TComponentKind::Label, "&To:", ""},
      {"Label2", TComponentKind::Label, "S&ubject:", ""},
      {"ToolButton8", TComponentKind::ToolButton, "&New", "New project"},
      {"ToolButton9", TComponentKind::ToolButton, "&Open...", "Open project"},
      {"ToolButton1", TComponentKind::ToolButton, "&Save", "Save project"},
      {"ToolButton2", TComponentKind::ToolButton, "&Preview...", "Preview message"},
      {"ToolButton14", TComponentKind::ToolButton, "&Find...", "Find in the recipient list"},
      {"ToolButton3", TComponentKind::ToolButton, "S&end", "Start sending e-mails"},
      {"ToolButton5", TComponentKind::ToolButton, "S&top", "Stop sending e-mails"},
      {"ToolButton7", TComponentKind::ToolButton, "&Options...", "Open Options dialog box"},
      {"ToolButton12", TComponentKind::ToolButton, "&Spell Checker...", "Check the spelling of the message"},
  };
  return defaults;
}

}  // namespace

MainFormTexts ReadMainFormTexts(const std::optional<TWordTables>& tables) {
  TComponentTree tree;
  for (const Default& entry : Defaults()) {
    TUiComponent& component = tree.Add(entry.name, entry.kind);
    component.Caption = entry.caption;
    component.Hint = entry.hint;
  }
  if (tables) {
    try {
      TMultiLang words(tree, nullptr);
      words.Load(tables->Of(kMainFormWords));
    } catch (const std::exception&) {
      // A broken table was reported when the tables were read; the defaults stand.
    }
  }
  MainFormTexts texts;
  for (const TUiComponent& component : tree.Components()) {
    texts.Captions[component.Name] = component.Caption;
    texts.Hints[component.Name] = component.Hint;
  }
  return texts;
}

}  // namespace norvane
