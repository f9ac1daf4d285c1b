#include "ui/component_tree.h"

#include <algorithm>

namespace norvane {

namespace {

// Component names are identifiers: letter case is compared over ASCII only.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

bool HasCaption(TComponentKind kind) {
  switch (kind) {
    case TComponentKind::Label:
    case TComponentKind::Button:
    case TComponentKind::CheckBox:
    case TComponentKind::RadioButton:
    case TComponentKind::Panel:
    case TComponentKind::GroupBox:
    case TComponentKind::TabSheet:
    case TComponentKind::ToolButton:
    case TComponentKind::Action:
    case TComponentKind::Form:
    case TComponentKind::MenuItem:
    case TComponentKind::RadioGroup:
      return true;
    default:
      return false;
  }
}

bool HasText(TComponentKind kind) {
  switch (kind) {
    case TComponentKind::Edit:
    case TComponentKind::MaskEdit:
    case TComponentKind::Memo:
    case TComponentKind::ComboBox:
      return true;
    default:
      return false;
  }
}

bool HasHint(TComponentKind kind) {
  switch (kind) {
    case TComponentKind::OpenDialog:
    case TComponentKind::SaveDialog:
    case TComponentKind::Component:
      return false;
    default:
      return true;
  }
}

TUiComponent& TUiComponent::At(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
  return *this;
}

TComponentTree::TComponentTree() {
  Form.Name = "Form";
  Form.Kind = TComponentKind::Form;
}

TUiComponent& TComponentTree::Add(std::string name, TComponentKind kind) {
  TUiComponent& component = components_.emplace_back();
  component.Name = std::move(name);
  component.Kind = kind;
  return component;
}

TUiComponent* TComponentTree::Find(std::string_view name) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const TUiComponent& c) { return SameName(c.Name, name); });
  return it == components_.end() ? nullptr : &*it;
}

const TUiComponent* TComponentTree::Find(std::string_view name) const {
  return const_cast<TComponentTree*>(this)->Find(name);
}

}  // namespace norvane
