// Finding a recipient by text: the find dialog's state and the search that
// Find Next runs over the recipient list. A row matches when the text occurs
// in its address or in one of its field values; the result text is not
// searched. Without the match-case option both sides are compared in ANSI
// upper case.
#pragma once

#include <string>
#include <string_view>

#include "project/project_model.h"

namespace norvane {

// The find dialog, shown without blocking the window. Its whole-word option
// is hidden; the match-case option is offered.
struct TFindDialog {
  std::string FindText;
  bool Down = true;  // the search direction
  bool MatchCase = false;
  bool HideWholeWord = true;
};

// `text` occurs in the row's address or in a field value (sub-items from 1 on).
bool RecipientMatches(const TListItem& item, std::string_view text, bool matchCase);

// The first matching row after `selected` (down) or before it (up), without
// wrapping around and without trying `selected` itself; -1 when none
// matches. With no row selected (-1) the search covers every row, from the
// first one down or from the last one up.
int FindRecipient(const ProjectModel& model, int selected, std::string_view text, bool down, bool matchCase);

}  // namespace norvane
