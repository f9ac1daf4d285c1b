#include "app/recipient_find.h"

#include <algorithm>

#include "platform/codepage.h"

namespace norvane {

namespace {

// Compared byte by byte in upper case, which is what converting both texts
// first would give (the ANSI conversion maps one byte to one byte), without a
// copy of every field of every row.
bool Contains(std::string_view text, std::string_view part, bool matchCase) {
  if (matchCase) return text.find(part) != std::string_view::npos;
  auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                           [](char a, char b) { return AnsiUpper(a) == AnsiUpper(b); });
  return found != text.end() || part.empty();
}

}  // namespace

bool RecipientMatches(const TListItem& item, std::string_view text, bool matchCase) {
  if (Contains(item.Caption, text, matchCase)) return true;
  for (std::size_t i = 1; i < item.SubItems.size(); ++i)
    if (Contains(item.SubItems[i], text, matchCase)) return true;
  return false;
}

int FindRecipient(const ProjectModel& model, int selected, std::string_view text, bool down, bool matchCase) {
  const int count = static_cast<int>(model.Items.size());
  if (down) {
    for (int row = std::max(selected + 1, 0); row < count; ++row)
      if (RecipientMatches(model.Items[row], text, matchCase)) return row;
  } else {
    for (int row = (selected < 0 || selected > count ? count : selected) - 1; row >= 0; --row)
      if (RecipientMatches(model.Items[row], text, matchCase)) return row;
  }
  return -1;
}

}  // namespace norvane
