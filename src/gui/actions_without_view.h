// The commands whose dialog has no Qt view yet. They stay disabled in the
// window (menus, toolbar, shortcuts, double click) rather than open nothing;
// a dialog's view, when it is added, takes its commands off this list.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace norvane {

inline constexpr std::array<std::string_view, 0> kActionsWithoutView = {};

inline bool HasNoView(std::string_view action) {
  return std::find(kActionsWithoutView.begin(), kActionsWithoutView.end(), action) !=
         kActionsWithoutView.end();
}

}  // namespace norvane
