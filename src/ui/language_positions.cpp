#include "ui/language_positions.h"

#include <array>
#include <charconv>

#include "platform/codepage.h"

namespace norvane {

namespace {

std::optional<std::size_t> LastLineOf(const std::vector<std::string>& positions, std::string_view key) {
  for (std::size_t i = positions.size(); i-- > 0;) {
    std::string_view line = positions[i];
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ',') return i;
  }
  return std::nullopt;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

int ParseNumber(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    throw TPositionError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

}  // namespace

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string PositionKey(const TUiComponent& component) {
  return AnsiLowerCase(component.Name);
}

std::optional<std::string> PositionField(const TUiComponent& component) {
  const std::array<const std::optional<int>*, 4> numbers{&component.Left, &component.Top, &component.Width,
                                                         &component.Height};
  bool any = false;
  std::vector<std::string> parts;
  for (const auto* number : numbers) {
    parts.push_back(number->has_value() ? std::to_string(**number) : "");
    any = any || number->has_value();
  }
  if (!any) return std::nullopt;
  return Join(parts, '.');
}

void StorePositionField(std::vector<std::string>& positions, std::string_view key, std::string_view field,
                        int language, int languages) {
  if (auto index = LastLineOf(positions, key)) {
    std::vector<std::string> fields = SplitAt(positions[*index], ',');
    if (fields.size() < static_cast<std::size_t>(languages) + 1) fields.resize(languages + 1);
    fields[language + 1] = std::string(field);
    positions[*index] = Join(fields, ',');
    return;
  }
  std::string line(key);
  for (int i = 0; i < languages; ++i) (line += ',') += field;
  positions.push_back(std::move(line));
}

std::optional<std::string> FindPositionField(const std::vector<std::string>& positions, std::string_view key,
                                             int language) {
  auto index = LastLineOf(positions, key);
  if (!index) return std::nullopt;
  std::vector<std::string> fields = SplitAt(positions[*index], ',');
  if (fields.size() <= static_cast<std::size_t>(language) + 1) return std::nullopt;
  return fields[language + 1];
}

void ApplyPositionField(TUiComponent& component, std::string_view field) {
  std::vector<std::string> parts = SplitAt(field, '.');
  std::array<std::optional<int>*, 4> targets{&component.Left, &component.Top, &component.Width,
                                             &component.Height};
  std::array<std::optional<int>, 4> values;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (!targets[i]->has_value()) continue;
    values[i] = ParseNumber(i < parts.size() ? std::string_view(parts[i]) : std::string_view());
  }
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (values[i]) *targets[i] = values[i];
}

bool PositionFieldsDiffer(std::string_view line) {
  std::vector<std::string> fields = SplitAt(line, ',');
  for (std::size_t i = 2; i < fields.size(); ++i)
    if (fields[i] != fields[1]) return true;
  return false;
}

}  // namespace norvane
