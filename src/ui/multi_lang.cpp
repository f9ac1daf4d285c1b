#include "ui/multi_lang.h"

namespace norvane {

void TMultiLang::ApplyComponentTexts(TUiComponent& component, std::size_t& position) {
  const std::size_t start = position;
  RestorePosition(component);

  switch (component.Kind) {
    case TComponentKind::ListBox:
    case TComponentKind::ComboBox:
    case TComponentKind::Memo:
    case TComponentKind::Header:
      // The list keeps its length, so a selected item stays selected.
      ApplyList(component.Items, position);
      break;
    case TComponentKind::RadioGroup:
      TakeInto(component.Caption, position);
      ApplyList(component.Items, position);
      break;
    case TComponentKind::Form:
    case TComponentKind::MenuItem:
      TakeInto(component.Caption, position);
      break;
    case TComponentKind::Notebook:
    case TComponentKind::TabControl:
      ApplyList(component.Pages, position);
      break;
    case TComponentKind::TreeView:
      ApplySequence(component.Items, position);
      break;
    case TComponentKind::ListView:
      ApplyListView(component, position);
      break;
    case TComponentKind::StatusBar:
      TakeInto(component.Text, position);
      for (std::string& panel : component.Panels) {
        if (!IsContinuation(position)) break;
        TakeInto(panel, position);
      }
      break;
    case TComponentKind::HeaderControl:
      ApplySequence(component.Columns, position);
      break;
    case TComponentKind::FilterComboBox:
      TakeInto(component.Filter, position);
      break;
    case TComponentKind::OpenDialog:
    case TComponentKind::SaveDialog:
      TakeInto(component.Caption, position);
      TakeInto(component.Filter, position);
      break;
    default:
      if (HasCaption(component.Kind)) TakeInto(component.Caption, position);
      if (HasText(component.Kind) && component.Kind != TComponentKind::MaskEdit)
        TakeInto(component.Text, position);
      break;
  }

  if (!HasHint(component.Kind)) return;
  if (position == start) position += EntrySize();
  if (IsHint(position)) {
    std::optional<std::string> hint = TakeText(position);
    if (hint && !hint->empty()) component.Hint = *hint;
  }
}

void TMultiLang::TakeInto(std::string& target, std::size_t& position) const {
  if (auto text = TakeText(position)) target = *text;
}

void TMultiLang::ApplyList(std::vector<std::string>& list, std::size_t& position) const {
  if (list.empty()) return;
  std::optional<std::string> first = TakeText(position);
  if (!first) return;  // the entries do not reach into the table
  list[0] = *first;
  std::size_t taken = 1;
  while (taken < list.size() && IsContinuation(position)) {
    std::optional<std::string> text = TakeText(position);
    if (!text) break;
    list[taken++] = *text;
  }
  for (; taken < list.size(); ++taken) list[taken].clear();
}

void TMultiLang::ApplySequence(std::vector<std::string>& list, std::size_t& position) const {
  if (list.empty()) return;
  std::optional<std::string> first = TakeText(position);
  if (!first) return;
  list[0] = *first;
  for (std::size_t i = 1; i < list.size() && IsContinuation(position); ++i) {
    std::optional<std::string> text = TakeText(position);
    if (!text) break;
    list[i] = *text;
  }
}

void TMultiLang::ApplyListView(TUiComponent& component, std::size_t& position) const {
  ApplySequence(component.Columns, position);
  for (TListViewRow& row : component.Rows) {
    if (!IsContinuation(position)) break;
    TakeInto(row.Caption, position);
    ApplyList(row.SubItems, position);
  }
}

}  // namespace norvane
