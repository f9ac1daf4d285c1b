#include "ui/word_table_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "ui/language_positions.h"

namespace norvane {

namespace {

enum class Section { kNone, kProperties, kWords, kDoNot, kPositions, kCharSets };

struct Line {
  std::string_view Text;
  std::size_t Number;  // from 1
};

class Parser {
 public:
  Parser(std::string_view bytes, std::string_view source) : source_(source) {
    if (bytes.size() > kMaxWordTableBytes)
      Fail(0, "larger than " + std::to_string(kMaxWordTableBytes) + " bytes");
    if (bytes.find('\0') != std::string_view::npos) Fail(0, "holds a NUL byte; word tables are text");
    if (bytes.starts_with("\xEF\xBB\xBF")) Fail(1, "starts with a UTF-8 mark; word tables are Windows-1252");
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string_view::npos) end = bytes.size();
      std::string_view text = bytes.substr(start, end - start);
      if (text.ends_with('\r')) text.remove_suffix(1);
      lines_.push_back({text, lines_.size() + 1});
      start = end + 1;
    }
  }

  TMultiLangDesign Parse() {
    std::size_t i = 0;
    Section section = Section::kNone;
    while (i < lines_.size()) {
      const Line& line = lines_[i];
      if (IsSkippable(line.Text)) {
        ++i;
      } else if (IsSectionLine(line.Text)) {
        section = EnterSection(line);
        ++i;
      } else if (section == Section::kWords) {
        i = ReadEntry(i);
      } else {
        ReadLine(section, line);
        ++i;
      }
    }
    Check();
    return std::move(design_);
  }

 private:
  [[noreturn]] void Fail(std::size_t line, const std::string& message) const {
    std::string where(source_);
    if (line > 0) where += ":" + std::to_string(line);
    throw TWordTableError(where + ": " + message);
  }

  static bool IsSkippable(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos || text.front() == ';';
  }
  static bool IsSectionLine(std::string_view text) {
    return text.size() >= 2 && text.front() == '[' && text.back() == ']';
  }

  Section EnterSection(const Line& line) {
    static constexpr std::pair<std::string_view, Section> kSections[] = {
        {"[Properties]", Section::kProperties}, {"[Words]", Section::kWords},
        {"[DoNot]", Section::kDoNot},           {"[Positions]", Section::kPositions},
        {"[CharSets]", Section::kCharSets},
    };
    for (const auto& [name, section] : kSections) {
      if (!AnsiEqualsIgnoreCase(line.Text, name)) continue;
      if (seen_[static_cast<int>(section)]) Fail(line.Number, std::string(name) + " appears twice");
      if (section == Section::kProperties && anySection_)
        Fail(line.Number, "[Properties] must come first: Languages sets the length of an entry");
      anySection_ = true;
      seen_[static_cast<int>(section)] = true;
      return section;
    }
    Fail(line.Number, "unknown section " + std::string(line.Text));
  }

  static bool IsMarker(std::string_view text) {
    if (text == kFormMarker || text == kContinueMarker || AnsiEqualsIgnoreCase(text, kHintMarker))
      return true;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (text.empty() || !letter(text.front())) return false;
    for (char c : text)
      if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
  }

  // A marker line and the Languages text lines after it, taken as they are.
  std::size_t ReadEntry(std::size_t i) {
    const Line& marker = lines_[i];
    if (!IsMarker(marker.Text))
      Fail(marker.Number,
           "'" + std::string(marker.Text) +
               "' is no component name, %Form%, \" or \".Hint (a text line too many or too few "
               "above?)");
    std::size_t texts = design_.Languages;
    if (i + texts >= lines_.size())
      Fail(marker.Number, "the entry " + std::string(marker.Text) + " has " +
                              std::to_string(lines_.size() - i - 1) + " of " + std::to_string(texts) +
                              " text lines");
    for (std::size_t k = i; k <= i + texts; ++k) design_.Words.emplace_back(lines_[k].Text);
    return i + texts + 1;
  }

  static std::optional<int> Number(std::string_view text, int min, int max) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
      return std::nullopt;
    return value;
  }

  static std::string_view Trim(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  }

  void ReadLine(Section section, const Line& line) {
    switch (section) {
      case Section::kNone:
        Fail(line.Number, "text before the first section");
      case Section::kProperties:
        ReadProperty(line);
        return;
      case Section::kDoNot:
        design_.DoNot.emplace_back(line.Text);
        return;
      case Section::kPositions:
        CheckPositionLine(line);
        design_.Positions.emplace_back(line.Text);
        return;
      case Section::kCharSets:
        CheckCharSetLine(line);
        design_.CharSets.emplace_back(line.Text);
        return;
      case Section::kWords:
        return;  // entries are read by ReadEntry
    }
  }

  void ReadProperty(const Line& line) {
    std::size_t equals = line.Text.find('=');
    if (equals == std::string_view::npos) Fail(line.Number, "expected Name=Value");
    std::string_view key = Trim(line.Text.substr(0, equals));
    std::string_view value = Trim(line.Text.substr(equals + 1));
    auto byte = [&](int min) -> uint8_t {
      auto number = Number(value, min, 255);
      if (!number)
        Fail(line.Number, std::string(key) + " must be a number from " + std::to_string(min) + " to 255");
      return static_cast<uint8_t>(*number);
    };
    if (AnsiEqualsIgnoreCase(key, "Languages")) {
      design_.Languages = byte(1);
    } else if (AnsiEqualsIgnoreCase(key, "ActiveLanguage")) {
      design_.ActiveLanguage = byte(0);
      activeLine_ = line.Number;
    } else if (AnsiEqualsIgnoreCase(key, "DefaultLanguage")) {
      design_.DefaultLanguage = byte(0);
      defaultLine_ = line.Number;
    } else if (AnsiEqualsIgnoreCase(key, "DefaultEnabled")) {
      if (AnsiEqualsIgnoreCase(value, "true")) {
        design_.DefaultEnabled = true;
      } else if (AnsiEqualsIgnoreCase(value, "false")) {
        design_.DefaultEnabled = false;
      } else {
        Fail(line.Number, "DefaultEnabled must be true or false");
      }
    } else if (AnsiEqualsIgnoreCase(key, "SwitchPositions")) {
      if (AnsiEqualsIgnoreCase(value, "spNone")) {
        design_.SwitchPositions = TSwitchPositions::spNone;
      } else if (AnsiEqualsIgnoreCase(value, "spControlsOnly")) {
        design_.SwitchPositions = TSwitchPositions::spControlsOnly;
      } else if (AnsiEqualsIgnoreCase(value, "spFormAndControls")) {
        design_.SwitchPositions = TSwitchPositions::spFormAndControls;
      } else {
        Fail(line.Number, "SwitchPositions must be spNone, spControlsOnly or spFormAndControls");
      }
    } else {
      Fail(line.Number, "unknown property " + std::string(key));
    }
  }

  // name,left.top.width.height,... with one field per language; a number
  // may be empty (a property the component lacks).
  void CheckPositionLine(const Line& line) const {
    std::vector<std::string> fields = SplitAt(line.Text, ',');
    if (fields[0].empty() || fields[0].find_first_of(" \t") != std::string::npos)
      Fail(line.Number, "a position line starts with the component's name and a comma");
    if (fields.size() != static_cast<std::size_t>(design_.Languages) + 1)
      Fail(line.Number,
           "a position line holds one field per language (" + std::to_string(design_.Languages) + ")");
    for (std::size_t i = 1; i < fields.size(); ++i) {
      std::vector<std::string> numbers = SplitAt(fields[i], '.');
      bool good = numbers.size() == 4;
      for (const std::string& number : numbers)
        good = good && (number.empty() || Number(number, INT32_MIN, INT32_MAX).has_value());
      if (!good) Fail(line.Number, "'" + fields[i] + "' is not left.top.width.height");
    }
  }

  void CheckCharSetLine(const Line& line) const {
    std::size_t comma = line.Text.find(',');
    if (comma == std::string_view::npos || !Number(line.Text.substr(comma + 1), 0, 255))
      Fail(line.Number, "a character set line is 'font name,number' with a number from 0 to 255");
  }

  void Check() const {
    if (design_.ActiveLanguage >= design_.Languages)
      Fail(activeLine_, "ActiveLanguage must be below Languages (" + std::to_string(design_.Languages) + ")");
    if (design_.DefaultLanguage >= design_.Languages)
      Fail(defaultLine_,
           "DefaultLanguage must be below Languages (" + std::to_string(design_.Languages) + ")");
  }

  std::string_view source_;
  std::vector<Line> lines_;
  TMultiLangDesign design_;
  bool seen_[6] = {};
  bool anySection_ = false;
  std::size_t activeLine_ = 0;
  std::size_t defaultLine_ = 0;
};

}  // namespace

TMultiLangDesign ParseWordTable(std::string_view bytes, std::string_view source) {
  return Parser(bytes, source).Parse();
}

TMultiLangDesign ReadWordTableFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw TWordTableError("Cannot open word table " + path + ": " + std::strerror(errno));
  std::string bytes;
  char buffer[8192];
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
    if (bytes.size() > kMaxWordTableBytes) break;  // the parser names the limit
  }
  if (file.bad()) throw TWordTableError("Cannot read word table " + path);
  return ParseWordTable(bytes, path);
}

}  // namespace norvane
