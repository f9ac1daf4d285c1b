#include "project/merge.h"

#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace norvane {

namespace {

constexpr std::size_t kNpos = std::string_view::npos;

// Finds `tag` in `text` from `from` on, comparing the text in ANSI lower case.
class TagFinder {
 public:
  explicit TagFinder(std::string_view tag) : tag_(tag), lower_(AnsiLowerTable()) {
    const auto first = static_cast<uint8_t>(tag[0]);
    for (int b = 0; b < 256; ++b) {
      if (lower_[b] != first) continue;
      if (starters_ == 0) only_starter_ = static_cast<char>(b);
      ++starters_;
    }
  }

  std::size_t Find(std::string_view text, std::size_t from) const {
    const std::size_t length = tag_.size();
    if (text.size() < length) return kNpos;
    const std::size_t last = text.size() - length;  // last possible start
    while (from <= last) {
      if (starters_ == 1) {
        // The common case: tags begin with "<", which has no other case.
        const void* hit = std::memchr(text.data() + from, only_starter_, last - from + 1);
        if (hit == nullptr) return kNpos;
        from = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
      } else if (lower_[static_cast<uint8_t>(text[from])] != static_cast<uint8_t>(tag_[0])) {
        ++from;
        continue;
      }
      if (EqualsFrom(text, from, 1)) return from;
      ++from;
    }
    return kNpos;
  }

  bool Matches(char c, std::size_t k) const {
    return lower_[static_cast<uint8_t>(c)] == static_cast<uint8_t>(tag_[k]);
  }

 private:
  bool EqualsFrom(std::string_view text, std::size_t start, std::size_t k) const {
    for (; k < tag_.size(); ++k) {
      if (!Matches(text[start + k], k)) return false;
    }
    return true;
  }

  std::string_view tag_;
  const std::array<uint8_t, 256>& lower_;
  int starters_ = 0;
  char only_starter_ = 0;
};

// The merge of one tag in one pass. The rule: replace the first occurrence
// that begins with a character of the text, and repeat. Every replacement uses
// up at least one character of the text, so the work is bounded by the text's
// length even when the value holds its own tag. Occurrences wholly inside the
// unread text are found by a plain search; the only other ones begin at most
// tag-length-1 characters before an insertion point and run into the value.
// `out_` holds the result so far; after a replacement the inserted value waits
// in `pending_` (pieces of values, first piece last) ahead of the unread text
// until no tag begins before it.
class TagReplacer {
 public:
  // `out` must not share storage with `text`; it is overwritten, and its
  // capacity reused.
  TagReplacer(std::string_view tag, std::string_view text, std::string_view value, std::string& out)
      : finder_(tag), tag_(tag), text_(text), value_(value), out_(out) {}

  void Run() {
    out_.clear();
    out_.reserve(text_.size());
    for (;;) {
      const std::size_t hit = finder_.Find(text_, next_);
      if (hit == kNpos) break;
      out_.append(text_, next_, hit - next_);
      next_ = hit + tag_.size();
      pending_.assign(1, value_);
      ResolveReformedTags();
      Commit();
    }
    out_.append(text_, next_);
  }

 private:
  // The value was inserted at the end of out_. Starts further back were ruled
  // out before, and a start inside an inserted value does not count.
  void ResolveReformedTags() {
    const std::size_t length = tag_.size();
    for (;;) {
      const std::size_t point = out_.size();
      std::size_t start = point >= length - 1 ? point - (length - 1) : 0;
      for (; start < point; ++start) {
        if (!IsInserted(start) && MatchesAcross(start)) break;
      }
      if (start == point) return;
      Consume(length - (point - start));
      out_.resize(start);
      while (!inserted_.empty() && inserted_.back().first >= start) inserted_.pop_back();
      if (!inserted_.empty() && inserted_.back().second > start) inserted_.back().second = start;
      pending_.push_back(value_);
    }
  }

  // Whether the tag reads out_[start..], then the pending value pieces, then
  // the unread text.
  bool MatchesAcross(std::size_t start) const {
    std::size_t k = 0;
    const std::size_t length = tag_.size();
    for (std::size_t i = start; i < out_.size(); ++i, ++k) {
      if (!finder_.Matches(out_[i], k)) return false;
    }
    for (auto piece = pending_.rbegin(); piece != pending_.rend() && k < length; ++piece) {
      for (std::size_t i = 0; i < piece->size() && k < length; ++i, ++k) {
        if (!finder_.Matches((*piece)[i], k)) return false;
      }
    }
    for (std::size_t i = next_; k < length; ++i, ++k) {
      if (i >= text_.size() || !finder_.Matches(text_[i], k)) return false;
    }
    return true;
  }

  // Drops `count` characters from the front of what follows out_.
  void Consume(std::size_t count) {
    while (count > 0 && !pending_.empty()) {
      std::string_view& piece = pending_.back();
      if (count < piece.size()) {
        piece.remove_prefix(count);
        return;
      }
      count -= piece.size();
      pending_.pop_back();
    }
    next_ += count;
  }

  void Commit() {
    for (auto piece = pending_.rbegin(); piece != pending_.rend(); ++piece) {
      if (piece->empty()) continue;
      inserted_.emplace_back(out_.size(), out_.size() + piece->size());
      out_.append(*piece);
    }
    pending_.clear();
  }

  bool IsInserted(std::size_t position) const {
    for (auto range = inserted_.rbegin(); range != inserted_.rend() && range->second > position; ++range) {
      if (range->first <= position) return true;
    }
    return false;
  }

  TagFinder finder_;
  std::string_view tag_;
  std::string_view text_;
  std::string_view value_;
  std::size_t next_ = 0;  // first character of text_ not yet in out_ nor consumed
  std::string& out_;
  std::vector<std::string_view> pending_;
  std::vector<std::pair<std::size_t, std::size_t>> inserted_;  // value ranges in out_, ascending
};

bool IsAddressChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '#' || c == '-' ||
         c == '.' || c == '@' || c == '[' || c == ']' || c == '_';
}

bool IsBreakChar(char c) {
  return c == '\r' || c == '\n' || c == ' ';
}

void ReplaceTagInto(std::string_view tag, std::string_view text, std::string_view value, std::string& out) {
  if (tag.empty()) {
    out.assign(text);
    return;
  }
  TagReplacer(tag, text, value, out).Run();
}

}  // namespace

std::string ReplaceTag(std::string_view tag, std::string_view text, std::string_view value) {
  std::string out;
  ReplaceTagInto(tag, text, value, out);
  return out;
}

std::string FieldTag(std::string_view caption) {
  std::string tag;
  tag.reserve(caption.size() + 2);
  tag += '<';
  for (char c : caption) tag += AnsiLower(c);
  tag += '>';
  return tag;
}

std::string MergeRecipient(const ProjectModel& model, int row, std::string_view text) {
  if (row < 0 || static_cast<std::size_t>(row) >= model.Items.size()) {
    throw std::out_of_range("No recipient at row " + std::to_string(row));
  }
  const TListItem& item = model.Items[static_cast<std::size_t>(row)];
  // Two buffers take turns as input and output, so a merge of many tags
  // allocates twice rather than once per tag.
  std::string result, scratch;
  ReplaceTagInto(kEmailTag, text, item.Caption, result);
  for (std::size_t k = 2; k < model.Columns.size(); ++k) {
    ReplaceTagInto(FieldTag(model.Columns[k].Caption), result, item.SubItem(k - 1), scratch);
    result.swap(scratch);
  }
  return result;
}

// Works as a single pass that appends to the output instead of inserting into
// the text: an inserted break only moves the characters after the line's last
// blank, which are then examined again exactly as they would be in place.
std::string WrapText(std::string_view text, int width) {
  std::string out;
  if (text.empty()) return out;
  out.reserve(text.size() + text.size() / 32 + 8);
  std::string moved;               // characters carried to the next line by a break
  std::size_t last_break = kNpos;  // position in out of the latest CR, LF or blank
  long counter = 0;                // characters before the current one on its line

  auto append = [&](char c) {
    out += c;
    if (IsBreakChar(c)) last_break = out.size() - 1;
  };
  // A break at `at`: CR LF goes there, and the characters behind it come back
  // to be examined, the first of them skipped as the in-place walk does.
  auto break_at = [&](std::size_t at) {
    moved.assign(out, at);
    out.resize(at);
    out += "\r\n";
    last_break = out.size() - 1;
    counter = 1;
    append(moved[0]);
    for (std::size_t i = 1; i < moved.size(); ++i) {
      // moved[1..] are neither blanks nor line ends, so the nearest break
      // character behind each of them is the LF just inserted: a cut.
      if (counter >= width) {
        out += "\r\n";
        last_break = out.size() - 1;
        counter = 0;
      }
      append(moved[i]);
      ++counter;
    }
  };

  const std::size_t last = text.size() - 1;  // never examined
  for (std::size_t k = 0; k < last; ++k) {
    const char c = text[k];
    if (c == '\r' && text[k + 1] == '\n') counter = -1;
    if (counter >= width && c != ' ') {
      out += c;  // examined in place: c is part of what the break may move
      std::size_t at = out.size() - 1;
      if (!IsBreakChar(c) && last_break != kNpos && out[last_break] == ' ') at = last_break + 1;
      break_at(at);
      continue;
    }
    append(c);
    ++counter;
  }
  out += text[last];
  return out;
}

std::string MergedBody(const ProjectModel& model, int row) {
  return WrapText(MergeRecipient(model, row, model.Body), kBodyWrapWidth);
}

std::string ExtractEmailAddress(std::string_view text) {
  const std::size_t at = text.find('@');
  if (at == kNpos) return {};
  std::size_t start = at;
  while (start > 0 && IsAddressChar(text[start - 1])) --start;
  std::size_t end = at + 1;
  while (end < text.size() && IsAddressChar(text[end])) ++end;
  return std::string(text.substr(start, end - start));
}

std::string ExtractDomain(std::string_view address) {
  constexpr std::size_t kMaxDomain = 255;
  const std::size_t at = address.find('@');
  const std::size_t start = at == kNpos ? 0 : at + 1;
  return std::string(address.substr(start, kMaxDomain));
}

}  // namespace norvane
