#include "smtp/dkim_record.h"

namespace norvane {

namespace {

bool IsFws(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsFws(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsFws(text.back())) text.remove_suffix(1);
  return text;
}

// tag-name = ALPHA *ALNUMPUNC (ALNUMPUNC = ALPHA / DIGIT / "_")
bool IsTagName(std::string_view name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!alpha(name[0])) return false;
  for (char c : name) {
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return true;
}

// tval characters: printable ASCII but ";"; blanks only between them.
bool IsTagValue(std::string_view value) {
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsFws(c)) continue;
    if (byte < 0x21 || byte > 0x7E || c == ';') return false;
  }
  return true;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ParseDkimTagList(std::string_view text,
                                                                   std::string& error) {
  std::map<std::string, std::string> tags;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(';');
    const std::string_view field = Trimmed(text.substr(0, semicolon));
    text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    if (field.empty()) {
      // Only the last separator may stand alone ("...; p=x;").
      if (!Trimmed(text).empty() || semicolon == std::string_view::npos) {
        error = "an empty tag";
        return std::nullopt;
      }
      break;
    }
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) {
      error = "a tag without '='";
      return std::nullopt;
    }
    const std::string name(Trimmed(field.substr(0, equals)));
    const std::string_view value = Trimmed(field.substr(equals + 1));
    if (!IsTagName(name)) {
      error = "a tag name that is not a name";
      return std::nullopt;
    }
    if (!IsTagValue(value)) {
      error = "the value of tag '" + name + "' holds a character outside printable ASCII";
      return std::nullopt;
    }
    if (!tags.emplace(name, std::string(value)).second) {
      error = "tag '" + name + "' given twice";
      return std::nullopt;
    }
  }
  return tags;
}

std::optional<DkimKeyRecord> ParseDkimKeyRecord(std::string_view text, std::string& error) {
  auto tags = ParseDkimTagList(text, error);
  if (!tags) return std::nullopt;
  if (auto v = tags->find("v"); v != tags->end() && v->second != "DKIM1") {
    error = "version '" + v->second + "' instead of DKIM1";
    return std::nullopt;
  }
  auto p = tags->find("p");
  if (p == tags->end()) {
    error = "no public key (p=)";
    return std::nullopt;
  }
  DkimKeyRecord record;
  if (auto k = tags->find("k"); k != tags->end()) record.keyType = k->second;
  for (char c : p->second) {
    if (!IsFws(c)) record.publicKey += c;
  }
  return record;
}

}  // namespace norvane
