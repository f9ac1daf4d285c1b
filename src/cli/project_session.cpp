#include "cli/project_session.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

#include "cli/terminal_text.h"
#include "project/project_file.h"

namespace norvane::cli {

ProjectSession::ProjectSession(const std::string& path) : path_(path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) throw std::runtime_error(path + ": no such project file");
  const bool hadJournal = ::stat(TRunJournal::PathFor(path).c_str(), &info) == 0;
  journal_ = std::make_unique<TRunJournal>(path);
  if (!journal_->TryLock()) throw std::runtime_error(LockedText(path));
  try {
    LoadProject(model, path);
  } catch (...) {
    // A file that is no project gets no journal left beside it.
    journal_.reset();
    if (!hadJournal) std::remove(TRunJournal::PathFor(path).c_str());
    throw;
  }
  if (std::string text = RecoveryText(RecoverFromJournal(model, path)); !text.empty())
    std::fprintf(stderr, "%s\n", ForTerminal(text).c_str());
}

void ProjectSession::Save() {
  SaveProject(model, path_);
  journal_->RecordSaved();
  model.FModified = false;
}

}  // namespace norvane::cli
