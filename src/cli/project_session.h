// A project opened by a command that changes it (`edit`, `recipients`): the
// run journal taken as the lock first, so no run saves the file meanwhile,
// the file read, the results of an interrupted run recovered, and at the end
// one atomic save. A command that refuses never calls Save, so the file
// stays byte for byte as it was.
#pragma once

#include <memory>
#include <string>

#include "project/project_model.h"
#include "project/run_journal.h"

namespace norvane::cli {

class ProjectSession {
 public:
  // Throws std::runtime_error (locked, unreadable) with the text to print.
  explicit ProjectSession(const std::string& path);

  ProjectModel model;

  void Save();

 private:
  std::string path_;
  std::unique_ptr<TRunJournal> journal_;
};

}  // namespace norvane::cli
