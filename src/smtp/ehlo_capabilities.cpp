#include "smtp/ehlo_capabilities.h"

#include <cctype>

namespace norvane {

namespace {

bool IsKeywordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
}

// A parameter is printable ASCII other than the blank (RFC 5321 4.1.1.1, ehlo-param).
bool IsParameterChar(char c) {
  return c > ' ' && c < '\x7f';
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool SameKeyword(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The text of a reply line after its code and separator ("250-" / "250 "); a line that does not
// start with three digits is taken whole.
std::string_view TextOf(std::string_view line) {
  if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
      std::isdigit(static_cast<unsigned char>(line[1])) &&
      std::isdigit(static_cast<unsigned char>(line[2]))) {
    line.remove_prefix(3);
    if (!line.empty() && (line[0] == '-' || line[0] == ' ')) line.remove_prefix(1);
  }
  return line;
}

// Splits at runs of blanks and tabs; every other byte belongs to a word.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

}  // namespace

EhloCapabilities EhloCapabilities::Parse(const std::vector<std::string>& lines) {
  EhloCapabilities caps;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::vector<std::string_view> words = Words(TextOf(lines[n]));
    if (n == 0) {
      if (!words.empty()) caps.domain_ = std::string(words[0].substr(0, kMaxParameterLength));
      continue;
    }
    if (words.empty()) continue;  // the bare "250 " some servers end with
    std::string_view keyword = words[0];
    std::vector<std::string_view> params(words.begin() + 1, words.end());
    // "AUTH=LOGIN PLAIN": the form from before RFC 2554 was published.
    if (keyword.size() > 5 && SameKeyword(keyword.substr(0, 5), "AUTH=")) {
      params.insert(params.begin(), keyword.substr(5));
      keyword = keyword.substr(0, 4);
    }
    if (keyword.size() > kMaxKeywordLength || !std::isalnum(static_cast<unsigned char>(keyword[0]))) continue;
    bool valid = true;
    for (char c : keyword) valid = valid && IsKeywordChar(c);
    if (!valid) continue;

    Extension* extension = caps.Find(keyword);
    if (!extension) {
      if (caps.extensions_.size() >= kMaxExtensions) continue;
      caps.extensions_.push_back({Upper(keyword), {}});
      extension = &caps.extensions_.back();
    }
    for (std::string_view param : params) {
      if (extension->parameters.size() >= kMaxParameters) break;
      if (param.size() > kMaxParameterLength) continue;
      bool printable = true;
      for (char c : param) printable = printable && IsParameterChar(c);
      if (!printable) continue;
      std::string kept(param);
      bool seen = false;
      for (const std::string& existing : extension->parameters) seen = seen || SameKeyword(existing, kept);
      if (!seen) extension->parameters.push_back(std::move(kept));
    }
  }
  return caps;
}

EhloCapabilities::Extension* EhloCapabilities::Find(std::string_view keyword) {
  for (Extension& extension : extensions_)
    if (SameKeyword(extension.keyword, keyword)) return &extension;
  return nullptr;
}

const EhloCapabilities::Extension* EhloCapabilities::Find(std::string_view keyword) const {
  for (const Extension& extension : extensions_)
    if (SameKeyword(extension.keyword, keyword)) return &extension;
  return nullptr;
}

bool EhloCapabilities::Has(std::string_view keyword) const {
  return Find(keyword) != nullptr;
}

const std::vector<std::string>* EhloCapabilities::Parameters(std::string_view keyword) const {
  const Extension* extension = Find(keyword);
  return extension ? &extension->parameters : nullptr;
}

bool EhloCapabilities::OffersAuth(std::string_view mechanism) const {
  const std::vector<std::string>* mechanisms = Parameters("AUTH");
  if (!mechanisms) return false;
  for (const std::string& offered : *mechanisms)
    if (SameKeyword(offered, mechanism)) return true;
  return false;
}

std::optional<uint64_t> EhloCapabilities::SizeLimit() const {
  const std::vector<std::string>* params = Parameters("SIZE");
  if (!params) return std::nullopt;
  if (params->empty()) return 0;
  uint64_t value = 0;
  for (char c : params->front()) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::vector<std::string> EhloCapabilities::Keywords() const {
  std::vector<std::string> keywords;
  for (const Extension& extension : extensions_) keywords.push_back(extension.keyword);
  return keywords;
}

std::string EhloCapabilities::Summary() const {
  std::string text;
  for (const Extension& extension : extensions_) {
    if (!text.empty()) text += ", ";
    text += extension.keyword;
    for (const std::string& param : extension.parameters) text += " " + param;
  }
  return text;
}

}  // namespace norvane
