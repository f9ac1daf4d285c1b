// Word-table data files: the reader, then the table applied in every language
// to a window holding a component of some kind for each name the table uses,
// and the table reshaped. Applying never changes the length of a list.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/multi_lang.h"
#include "ui/word_table_file.h"

namespace {

class YesPrompts : public norvane::TMultiLangPrompts {
 public:
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
};

std::size_t ListSizes(const norvane::TComponentTree& tree) {
  std::size_t sizes = 0;
  for (const auto& c : tree.Components()) {
    sizes += c.Items.size() + c.Pages.size() + c.Columns.size() + c.Panels.size() + c.Rows.size();
    for (const auto& row : c.Rows) sizes += row.SubItems.size();
  }
  return sizes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using norvane::TComponentKind;
  norvane::TMultiLangDesign design;
  try {
    design = norvane::ParseWordTable(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const norvane::TWordTableError&) {
    return 0;
  }
  if (design.ActiveLanguage >= design.Languages) __builtin_trap();

  norvane::TComponentTree tree;
  tree.Form.At(0, 0, 100, 100);
  int kind = 0;
  for (std::size_t p = 0; p < design.Words.size(); p += design.Languages + 1u) {
    if (tree.Find(design.Words[p])) continue;
    auto& c =
        tree.Add(design.Words[p], static_cast<TComponentKind>(kind++ % (int(TComponentKind::Component) + 1)));
    c.Items = {"a", "b"};
    c.Pages = {"p"};
    c.Columns = {"c", "d"};
    c.Panels = {"e", "f"};
    c.Rows = {{"r", {"s", "t"}}};
    c.ItemIndex = 1;
    if (kind % 2) c.At(1, 2, 3, 4);
  }
  const std::size_t sizes = ListSizes(tree);

  YesPrompts prompts;
  norvane::TMultiLang multiLang(tree, &prompts);
  multiLang.Load(design, 0);
  for (int language = design.Languages - 1; language >= 0; --language)
    multiLang.SetActiveLanguage(static_cast<uint8_t>(language));
  if (ListSizes(tree) != sizes) __builtin_trap();

  multiLang.SetLanguages(static_cast<uint8_t>(design.Languages + 1));
  multiLang.SetActiveLanguage(design.Languages);
  multiLang.SetLanguages(1);
  if (multiLang.ActiveLanguage() != 0) __builtin_trap();
  if (multiLang.SwitchPositions() != norvane::TSwitchPositions::spNone) {
    multiLang.SetSwitchPositions(norvane::TSwitchPositions::spNone);
    if (!multiLang.Positions().empty()) __builtin_trap();
  }
  if (ListSizes(tree) != sizes) __builtin_trap();
  return 0;
}
