// How one component takes its entries of a word table, by kind (the first
// rule that matches decides):
//
//   list box, combo box            items: a list (the selected item stays)
//   radio group                    caption: a text; items: a list
//   form, menu item                caption: a text
//   memo                           lines: a list
//   header                         sections: a list
//   notebook, tab control          pages or tabs: a list
//   tree view                      node texts: a sequence
//   list view                      column captions: a sequence; then, while
//                                  the next entry is "\"", each row's caption
//                                  followed by its sub-items as a list
//   status bar                     simple text: a text; then panels from the
//                                  "\"" entries that follow
//   header control                 sections: a sequence
//   filter combo box               filter: a text
//   open dialog, save dialog       title: a text; then filter: a text
//   anything else                  caption, if the kind has one; then text,
//                                  if it has one and is no masked edit
//
// Then the hint: a kind with a hint that has used no entry skips its own;
// a following "\".Hint" entry gives the hint unless its text is empty.
//
// A text is the entry at the read position, whatever its marker. The list
// rule: element 0 takes the entry at the read position, further elements the
// following "\"" entries, at most one per element; elements left over become
// empty, so the list keeps its length. The sequence rule is the same, except
// that elements left over keep their text.
#pragma once

#include "ui/base_multi_lang.h"

namespace norvane {

class TMultiLang : public TBaseMultiLang {
 public:
  using TBaseMultiLang::TBaseMultiLang;

 protected:
  void ApplyComponentTexts(TUiComponent& component, std::size_t& position) override;

 private:
  void TakeInto(std::string& target, std::size_t& position) const;
  void ApplyList(std::vector<std::string>& list, std::size_t& position) const;
  void ApplySequence(std::vector<std::string>& list, std::size_t& position) const;
  void ApplyListView(TUiComponent& component, std::size_t& position) const;
};

}  // namespace norvane
