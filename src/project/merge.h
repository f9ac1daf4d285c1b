// The mail merge: every "<tag>" of the To line, the subject and the body is
// replaced by one recipient row's value, and the body is then word-wrapped at
// 75 columns. Also the two address functions that derive the envelope sender
// and the greeting host name from the sender setting. Text is ANSI bytes; tags
// match regardless of letter case (the ANSI single-byte conversion).
#pragma once

#include <string>
#include <string_view>

#include "project/project_model.h"

namespace norvane {

inline constexpr int kBodyWrapWidth = 75;
inline constexpr char kEmailTag[] = "<email>";

// Replaces every occurrence of `tag` (given in lower case) in `text`, found
// regardless of the text's letter case, by `value`; the value keeps its own
// case. A tag re-formed by a replacement together with the text before it or
// after it is replaced too, as long as the tag begins with a character of
// `text`: characters of an inserted value can complete a tag but never begin
// one. That makes a value holding its own tag terminate, bounds the work by
// the text's length, and gives the same result as a search from the start
// after every replacement whenever the value holds no character that could
// begin the tag ("<").
std::string ReplaceTag(std::string_view tag, std::string_view text, std::string_view value);

// "<" + caption in ANSI lower case + ">": the merge tag of a field column.
std::string FieldTag(std::string_view caption);

// The merge of one template for the row at `row`: first "<email>" with the
// row's Caption, then every field column from left to right with its value
// (empty when the row has no such sub-item). Each step works on the previous
// step's output. Throws std::out_of_range for a row that does not exist.
std::string MergeRecipient(const ProjectModel& model, int row, std::string_view text);

// Inserts CR LF so that no line holds more than `width` characters before a
// non-blank one: after the last blank of the line, or inside a word that has
// none. Blanks stay at the end of their line. A line that follows a CR LF of
// the text holds one character less than the first line and the lines after
// an inserted break, and the text's last character is never examined.
std::string WrapText(std::string_view text, int width);

// The body as one recipient receives it: WrapText(MergeRecipient(row, Body), 75).
std::string MergedBody(const ProjectModel& model, int row);

// The run of address characters ("#-.0-9@A-Za-z[]_") around the first "@";
// empty when the text holds no "@". "Name <a@b.c>" yields "a@b.c".
std::string ExtractEmailAddress(std::string_view text);

// The text after the first "@" (the whole text when there is none), at most
// 255 characters.
std::string ExtractDomain(std::string_view address);

}  // namespace norvane
