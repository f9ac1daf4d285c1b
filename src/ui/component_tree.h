// A window as the word tables see it: the window itself and the components it
// owns, each with a name, a kind and the texts a word table can set. Nothing
// here knows a toolkit: the logic classes and the views fill a tree from their
// controls, a word table is applied to it, and they take the texts back.
//
// Which field a kind uses:
//   Caption  labels, buttons, check boxes, radio buttons, panels, group boxes,
//            tab sheets, tool buttons, actions, menu items, radio groups, forms;
//            the title of an open or save dialog
//   Text     edits and masked edits, a status bar's simple text
//   Filter   open and save dialogs, filter combo boxes
//   Items    list boxes, combo boxes, radio groups, memo lines, header
//            sections, tree view node texts (in index order)
//   Pages    notebooks, tab controls, tab sets
//   Columns  list view columns, header control sections
//   Panels   status bar panels
//   Rows     list view items with their sub-items
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

enum class TComponentKind {
  // Kinds with a rule of their own.
  ListBox,
  RadioGroup,
  Form,
  Memo,
  Header,
  Notebook,
  TabControl,
  TreeView,
  ListView,
  StatusBar,
  HeaderControl,
  ComboBox,
  FilterComboBox,
  OpenDialog,
  SaveDialog,
  MenuItem,
  // Everything else: a caption and a text where the kind has them.
  Label,
  Button,
  CheckBox,
  RadioButton,
  Edit,
  MaskEdit,
  Panel,
  GroupBox,
  TabSheet,
  PageControl,
  ToolButton,
  Action,
  ProgressBar,
  UpDown,
  Bevel,
  Image,
  Component,  // non-visual, no texts (a table, a timer)
};

bool HasCaption(TComponentKind kind);
bool HasText(TComponentKind kind);
bool HasHint(TComponentKind kind);

struct TListViewRow {
  std::string Caption;
  std::vector<std::string> SubItems;
};

struct TUiComponent {
  std::string Name;
  TComponentKind Kind = TComponentKind::Component;
  std::string Caption;
  std::string Text;
  std::string Filter;
  std::vector<std::string> Items;
  std::vector<std::string> Pages;
  std::vector<std::string> Columns;
  std::vector<std::string> Panels;
  std::vector<TListViewRow> Rows;
  std::string Hint;
  int ItemIndex = -1;  // the selected item of a combo box or list
  // Position and size; a kind without one of them leaves it empty.
  std::optional<int> Left;
  std::optional<int> Top;
  std::optional<int> Width;
  std::optional<int> Height;

  TUiComponent& At(int left, int top, int width, int height);
};

class TComponentTree {
 public:
  TComponentTree();

  // The window itself: its caption and, for positions, its bounds.
  TUiComponent Form;
  std::string FontName = "MS Sans Serif";
  int FontCharset = 1;

  // Appends a component the window owns and returns it (valid until the next Add).
  TUiComponent& Add(std::string name, TComponentKind kind);
  // The owned component of that name, ignoring letter case, or null.
  TUiComponent* Find(std::string_view name);
  const TUiComponent* Find(std::string_view name) const;
  std::vector<TUiComponent>& Components() { return components_; }
  const std::vector<TUiComponent>& Components() const { return components_; }

 private:
  std::vector<TUiComponent> components_;
};

}  // namespace norvane
