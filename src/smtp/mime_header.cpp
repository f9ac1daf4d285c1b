#include "smtp/mime_header.h"

#include <vector>

namespace norvane {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsWsp(char c) {
  return c == ' ' || c == '\t';
}

bool IsEightBitOrControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x7F || (byte < 0x20 && c != '\t');
}

// A word a reader would not show as written: 8-bit or control bytes, or the
// start of something that looks like an encoded word (RFC 2047 section 6.2).
bool NeedsEncoding(std::string_view text) {
  for (char c : text) {
    if (IsEightBitOrControl(c)) return true;
  }
  return text.find("=?") != std::string_view::npos;
}

// RFC 2047 section 5 (3): inside a phrase only these may stand for themselves
// in a "Q" encoded word; using the narrow set everywhere keeps one encoder.
bool IsQSafe(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
         c == '+' || c == '-' || c == '/';
}

// `text` as "Q" encoded words of at most 75 characters, separated by blanks
// (which a reader drops between encoded words, RFC 2047 section 6.2).
std::string EncodedWords(std::string_view text) {
  const std::string open = std::string("=?") + kMimeCharset + "?Q?";
  const std::size_t room = kEncodedWordMax - open.size() - 2;
  std::string out;
  std::string word;
  auto flush = [&] {
    if (!out.empty()) out += ' ';
    out += open + word + "?=";
    word.clear();
  };
  for (char c : text) {
    char piece[4] = {c, 0, 0, 0};
    if (c == ' ') {
      piece[0] = '_';
    } else if (!IsQSafe(c)) {
      const auto byte = static_cast<unsigned char>(c);
      piece[0] = '=';
      piece[1] = kHex[byte >> 4];
      piece[2] = kHex[byte & 0x0F];
    }
    const std::string_view token(piece);
    if (word.size() + token.size() > room) flush();
    word += token;
  }
  if (!word.empty() || out.empty()) flush();
  return out;
}

// RFC 5322 section 3.2.3: the specials, which a phrase may hold only inside a quoted string.
bool NeedsQuoting(std::string_view text) {
  for (char c : text) {
    if (std::string_view("()<>[]:;@\\,.\"").find(c) != std::string_view::npos) return true;
  }
  return false;
}

// Calls `visit(position, character)` for every character outside quoted
// strings and comments, the places where an address list's structure lives.
template <typename Visit>
void ForEachStructural(std::string_view text, Visit visit) {
  bool quoted = false;
  int comment = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((quoted || comment > 0) && c == '\\') {
      ++i;
      continue;
    }
    if (quoted) {
      if (c == '"') quoted = false;
    } else if (comment > 0) {
      if (c == '(') ++comment;
      if (c == ')') --comment;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      comment = 1;
    } else {
      visit(i, c);
    }
  }
}

// Where the parts of an address list end: commas outside quoted strings,
// comments and angle addresses.
std::vector<std::size_t> TopLevelCommas(std::string_view value) {
  std::vector<std::size_t> commas;
  bool angle = false;
  ForEachStructural(value, [&](std::size_t i, char c) {
    if (c == '<') angle = true;
    if (c == '>') angle = false;
    if (c == ',' && !angle) commas.push_back(i);
  });
  return commas;
}

// The position of the "<" of a mailbox's trailing angle address, or npos.
std::size_t AngleAddressStart(std::string_view mailbox) {
  if (mailbox.empty() || mailbox.back() != '>') return std::string_view::npos;
  std::size_t start = std::string_view::npos;
  ForEachStructural(mailbox, [&](std::size_t i, char c) {
    if (c == '<') start = i;
  });
  return start;
}

// The phrase as a reader sees it: quoted strings replaced by their content.
std::string PhraseText(std::string_view phrase, bool& hadQuotes) {
  std::string text;
  hadQuotes = false;
  bool quoted = false;
  for (std::size_t i = 0; i < phrase.size(); ++i) {
    const char c = phrase[i];
    if (quoted && c == '\\' && i + 1 < phrase.size()) {
      text += phrase[++i];
    } else if (c == '"') {
      quoted = !quoted;
      hadQuotes = true;
    } else {
      text += c;
    }
  }
  return text;
}

std::string_view TrimWsp(std::string_view text) {
  while (!text.empty() && IsWsp(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWsp(text.back())) text.remove_suffix(1);
  return text;
}

// One mailbox with its phrase made readable, or empty when it needs no change.
std::string EncodeMailbox(std::string_view mailbox) {
  const std::string_view core = TrimWsp(mailbox);
  const std::size_t angle = AngleAddressStart(core);
  if (angle == std::string_view::npos) return {};
  const std::string_view phrase = TrimWsp(core.substr(0, angle));
  if (phrase.empty()) return {};
  bool hadQuotes = false;
  const std::string text = PhraseText(phrase, hadQuotes);
  std::string shown;
  if (NeedsEncoding(text)) {
    shown = EncodedWords(text);
  } else if (NeedsQuoting(text)) {
    shown = QuotedString(text);
    if (shown == phrase) return {};
  } else {
    return {};
  }
  const std::size_t lead = static_cast<std::size_t>(core.data() - mailbox.data());
  return std::string(mailbox.substr(0, lead)) + shown + " " + std::string(core.substr(angle)) +
         std::string(mailbox.substr(lead + core.size()));
}

bool IsAttributeChar(char c) {
  // RFC 2231 section 7: a token character other than "*", "'" and "%".
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos;
}

}  // namespace

std::string QuotedString(std::string_view value) {
  std::string quoted = "\"";
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < ' ' || byte == 0x7F) continue;
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string EncodeUnstructured(std::string_view value) {
  // Word boundaries: runs of non-blank characters.
  std::size_t firstStart = std::string_view::npos, lastEnd = 0;
  for (std::size_t i = 0; i < value.size();) {
    if (IsWsp(value[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < value.size() && !IsWsp(value[end])) ++end;
    if (NeedsEncoding(value.substr(i, end - i))) {
      if (firstStart == std::string_view::npos) firstStart = i;
      lastEnd = end;
    }
    i = end;
  }
  if (firstStart == std::string_view::npos) return std::string(value);
  // The blanks between the encoded words go inside them as "_", since a
  // reader drops the blanks between two encoded words.
  std::string middle(value.substr(firstStart, lastEnd - firstStart));
  for (char& c : middle) {
    if (c == '\t') c = ' ';
  }
  return std::string(value.substr(0, firstStart)) + EncodedWords(middle) + std::string(value.substr(lastEnd));
}

std::string EncodeAddressList(std::string_view value) {
  const std::vector<std::size_t> commas = TopLevelCommas(value);
  // Parts between commas; a part without "@" joins the next one.
  std::vector<std::string_view> mailboxes;
  std::size_t start = 0;
  for (std::size_t k = 0; k <= commas.size(); ++k) {
    const std::size_t end = k < commas.size() ? commas[k] : value.size();
    const std::string_view part = value.substr(start, end - start);
    if (part.find('@') == std::string_view::npos && k < commas.size()) continue;
    mailboxes.push_back(part);
    start = end + 1;
  }
  std::string out;
  bool changed = false;
  for (std::size_t k = 0; k < mailboxes.size(); ++k) {
    if (k > 0) out += ',';
    std::string encoded = EncodeMailbox(mailboxes[k]);
    if (encoded.empty()) {
      out += mailboxes[k];
    } else {
      out += encoded;
      changed = true;
    }
  }
  return changed ? out : std::string(value);
}

std::string MimeParameter(std::string_view name, std::string_view value) {
  bool ascii = true;
  for (char c : value) {
    if (IsEightBitOrControl(c)) ascii = false;
  }
  if (ascii) return std::string(name) + "=" + QuotedString(value);
  std::string encoded;
  for (char c : value) {
    if (IsAttributeChar(c)) {
      encoded += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  const std::string charsetPart = std::string(kMimeCharset) + "''";
  // The parameter follows a folding tab and ends with ";" when another follows.
  const std::string single = std::string(name) + "*=" + charsetPart + encoded;
  if (single.size() + 2 <= kFoldWidth) return single;
  std::string out;
  std::size_t pos = 0;
  for (int section = 0; pos < encoded.size(); ++section) {
    std::string head = std::string(name) + "*" + std::to_string(section) + "*=";
    if (section == 0) head += charsetPart;
    std::size_t room = kFoldWidth - 2 - head.size();
    std::size_t take = std::min(room, encoded.size() - pos);
    // Never cut a %XX triple.
    if (take < encoded.size() - pos) {
      if (take >= 1 && encoded[pos + take - 1] == '%')
        take -= 1;
      else if (take >= 2 && encoded[pos + take - 2] == '%')
        take -= 2;
    }
    if (section > 0) out += ";\r\n\t";
    out += head + encoded.substr(pos, take);
    pos += take;
  }
  return out;
}

std::string FoldHeaderLine(std::string_view line) {
  if (line.size() <= kFoldWidth || line.find_first_of("\r\n") != std::string_view::npos) {
    return std::string(line);
  }
  // The blank right after the colon may take a fold: an encoded word of 75
  // characters fits no first line behind "Subject: ".
  const std::size_t colon = line.find(':');
  const std::size_t earliest = colon == std::string_view::npos ? 1 : colon + 1;
  std::string out;
  out.reserve(line.size() + line.size() / 32);
  std::size_t lineBegin = 0;
  std::size_t candidate = std::string::npos;
  auto breakIfLong = [&] {
    if (out.size() - lineBegin > kFoldWidth && candidate != std::string::npos) {
      out.insert(candidate, "\r\n");
      lineBegin = candidate + 2;
      candidate = std::string::npos;
    }
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsWsp(c)) {
      breakIfLong();
      // A blank right after another would leave a line of blanks behind.
      const bool afterWord = !out.empty() && !IsWsp(out.back());
      if (i >= earliest && afterWord && out.size() > lineBegin) candidate = out.size();
    }
    out += c;
  }
  breakIfLong();
  return out;
}

}  // namespace norvane
