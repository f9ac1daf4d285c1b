// The per-language positions of a word table: one line per component, its
// name in lower case (or "%Form%" for the window), then one field per
// language, each "left.top.width.height", all joined by commas:
//   btnext,324.280.75.23,324.280.75.23
// A component that lacks one of the four properties leaves its number empty.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/component_tree.h"

namespace norvane {

// A stored field that cannot be applied (a number that is not an integer).
class TPositionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr char kFormPositionKey[] = "%Form%";

// The line key of an owned component: its name in lower case.
std::string PositionKey(const TUiComponent& component);

// The component's "left.top.width.height"; nothing when it has none of the four.
std::optional<std::string> PositionField(const TUiComponent& component);

// Stores `field` as the field of `language` in the last line of `key`,
// padding that line with empty fields up to `languages` fields; without a
// line, appends one that holds `field` for every language.
void StorePositionField(std::vector<std::string>& positions, std::string_view key, std::string_view field,
                        int language, int languages);

// The field of `language` in the last line of `key`, when that line has it.
std::optional<std::string> FindPositionField(const std::vector<std::string>& positions, std::string_view key,
                                             int language);

// Sets each of the four properties the component has from the field; throws
// TPositionError, changing nothing, when one it needs is missing or no integer.
void ApplyPositionField(TUiComponent& component, std::string_view field);

// The line holds different fields for different languages.
bool PositionFieldsDiffer(std::string_view line);

// Splits at every `separator`; "" gives one empty part.
std::vector<std::string> SplitAt(std::string_view text, char separator);

}  // namespace norvane
