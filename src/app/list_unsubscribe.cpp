#include "app/list_unsubscribe.h"

#include "platform/codepage.h"
#include "project/merge.h"

namespace norvane {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AnsiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// Characters a URI may hold as they are (RFC 3986 sections 2.2 and 2.3).
bool IsUriChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

// A merged value: everything but the unreserved characters and "@" encoded,
// so that "&", "=", "#" or "/" in a value stay inside it.
std::string PercentEncoded(std::string_view ansi) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : AnsiToUtf8(ansi)) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '@') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The target with "mailto:" in front of a bare address.
std::string Normalized(std::string_view target) {
  if (StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://") ||
      StartsWithNoCase(target, "mailto:"))
    return std::string(target);
  return "mailto:" + std::string(target);
}

}  // namespace

std::vector<std::string> ListUnsubscribeTargets(std::string_view setting) {
  std::vector<std::string> targets;
  std::string current;
  bool inTag = false;
  auto finish = [&] {
    if (current.empty()) return;
    if (inTag)
      throw std::invalid_argument("List-Unsubscribe: the merge tag in '" + current + "' is not closed");
    const bool url = StartsWithNoCase(current, "http://") || StartsWithNoCase(current, "https://");
    const std::size_t at = current.find('@');
    if (!url && (at == std::string::npos || at == 0 || at + 1 == current.size() ||
                 (StartsWithNoCase(current, "mailto:") && at == 7)))
      throw std::invalid_argument("List-Unsubscribe: '" + current +
                                  "' is neither an http(s) URL nor a mail address");
    // Outside the merge tags only what a URI may hold.
    bool tag = false;
    for (char c : current) {
      if (c == '<') tag = true;
      if (!tag && !IsUriChar(c))
        throw std::invalid_argument("List-Unsubscribe: '" + current +
                                    "' holds a character a URL cannot hold ('" + std::string(1, c) + "')");
      if (c == '>') tag = false;
    }
    targets.push_back(Normalized(current));
    current.clear();
  };
  for (char c : setting) {
    // Blanks inside a tag belong to a field name ("<first name>").
    if (!inTag && (c == ' ' || c == '\t' || c == ',')) {
      finish();
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20)
      throw std::invalid_argument("List-Unsubscribe may not hold control characters");
    if (c == '<') inTag = true;
    if (c == '>') inTag = false;
    current += c;
  }
  finish();
  if (targets.size() > 2)
    throw std::invalid_argument("List-Unsubscribe takes one URL and one address at most");
  return targets;
}

std::string MergedTarget(const ProjectModel& model, int row, std::string_view target) {
  const TListItem& item = model.Items.at(static_cast<std::size_t>(row));
  std::string result = ReplaceTag(kEmailTag, target, PercentEncoded(item.Caption));
  for (std::size_t k = 2; k < model.Columns.size(); ++k)
    result = ReplaceTag(FieldTag(model.Columns[k].Caption), result, PercentEncoded(item.SubItem(k - 1)));
  // A tag that names no column would put "<" and ">" into the header's own brackets.
  std::string out;
  for (char c : result) {
    if (c == '<')
      out += "%3C";
    else if (c == '>')
      out += "%3E";
    else if (c == ' ')
      out += "%20";
    else
      out += c;
  }
  return out;
}

void AddListUnsubscribe(std::vector<std::string>& hdrLines, std::string_view setting,
                        const ProjectModel& model, int row) {
  const std::vector<std::string> targets = ListUnsubscribeTargets(setting);
  if (targets.empty()) return;
  std::string line = "List-Unsubscribe: ";
  bool https = false;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (i > 0) line += ", ";
    line += "<" + MergedTarget(model, row, targets[i]) + ">";
    https = https || StartsWithNoCase(targets[i], "https://");
  }
  std::size_t insertAt = hdrLines.size();
  // The composed header may already end with its blank separator line.
  if (insertAt > 0 && hdrLines.back().empty()) --insertAt;
  auto at = hdrLines.insert(hdrLines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
  if (https) hdrLines.insert(at + 1, "List-Unsubscribe-Post: List-Unsubscribe=One-Click");
}

}  // namespace norvane
