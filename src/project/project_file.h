// The project file (".nvp"): five component records in the binary component
// stream format ("TPF0"), one per control that holds the project: the
// recipient list, the To box, the subject box, the body editor and the
// attachment list, each with its appearance so that opening restores the
// layout. Files written by the earlier layout (subject box Top below 27,
// columns e-mail, name, result) are converted on reading.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "project/project_model.h"

namespace norvane {

// Carries the exact text shown to the user. A damaged file's message says
// where: the byte offset in the file at which the value that could not be
// read begins, and the control and property being read ("Invalid stream
// format at offset 0", "Stream read error at offset 1234 in
// ListView1.Items.Data", "Error reading edTo.Text: Invalid property value at
// offset 57"). A file that cannot be opened gives "Cannot open file <name>".
class ProjectFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ProjectSaveOptions {
  // Saved while a run is under way: the three text controls are stored
  // disabled, as the window shows them (they are enabled again on opening).
  bool DuringRun = false;
};

// Writes the project to `path` through a temporary file and a rename, so a
// failed save leaves the previous file as it was. Does not touch FModified or
// FProjectFileName (the Save commands do). Throws ProjectFileError.
void SaveProject(const ProjectModel& model, const std::string& path, const ProjectSaveOptions& options = {});

// Reads `path` into `model`: columns, rows, texts, attachments (with their
// stored ImageIndex: the caller recomputes icons), view style and layout.
// On success FProjectFileName becomes `path` and FModified false; the content
// type is kept. On failure throws ProjectFileError and leaves `model`
// entirely as it was (content, file name and modified state), so a later
// Save can neither overwrite the unreadable file with partial content nor
// write a mixture over the previous project's file.
void LoadProject(ProjectModel& model, const std::string& path);

// The same on bytes in memory (tests, fuzzing).
std::string WriteProjectStream(const ProjectModel& model, const ProjectSaveOptions& options = {});
void ReadProjectStream(std::string_view bytes, ProjectModel& model);

}  // namespace norvane
