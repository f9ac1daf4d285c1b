// The checks a person wants before sending a mailing, shared by `norvane
// show` and the warnings of `norvane send`: merge tags without a column,
// attachments whose file is gone, an empty subject or body, and the same
// address on several rows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "project/project_model.h"

namespace norvane {

// A row whose address (compared without letter case and surrounding blanks)
// stands on an earlier row too.
struct DuplicateRow {
  std::size_t row;
  std::size_t first;  // the earliest row with that address
};

// Duplicates among the rows from `from` on, each compared with every row
// before it; `checkedOnly` leaves unchecked rows out of both sides.
std::vector<DuplicateRow> FindDuplicateAddresses(const ProjectModel& model, std::size_t from = 0,
                                                 bool checkedOnly = false);

// The merge tags the To line, the subject and the body use, in lower case, each
// once, in order of first use. A tag is "<" and ">" around up to 64 characters
// with no blank at either end, no "<", "@" (an address "Name <a@b.c>") or
// line break, not starting with "/", "!" or "?" (markup's closing tags and
// comments).
std::vector<std::string> MergeTagsUsed(const ProjectModel& model);

// Whether the merge fills `tag` (lower case): "<email>" or a field column's tag.
bool TagHasColumn(const ProjectModel& model, const std::string& tag);

// Attachment positions (from 0) whose file does not exist, looked up as a run does.
std::vector<std::size_t> MissingAttachments(const ProjectModel& model);

// Before a run: every reason to think twice, one sentence each; none when the
// mailing looks whole.
std::vector<std::string> SendWarnings(const ProjectModel& model);

}  // namespace norvane
