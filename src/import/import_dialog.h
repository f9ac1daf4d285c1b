// The import dialog's logic: reads a recipient file (comma-separated text or
// a dBase table), proposes the e-mail column and appends one checked row per
// line or record to the project's recipient list, adding a data column per
// source column. The mailing wizard drives the same object without showing it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/dbase_table.h"
#include "import/import_ui.h"
#include "import/text_file.h"
#include "project/project_model.h"

namespace norvane {

enum class TFileKind { fkNone, fkText, fkTable };

inline constexpr char kKindCaption[] = "Kind";
inline constexpr char kKindText[] = "Plain Text / Comma Separated Values";
inline constexpr char kKindTable[] = "dBase III Compatible Table";
inline constexpr char kCancelImportQuestion[] = "Do you really want to cancel this operation?";
inline constexpr int kMaxListColumns = 255;

// The kind of a recipient file from its extension (".txt", ".csv", ".dbf",
// letters compared without case); fkNone for any other.
TFileKind FileKindOfPath(std::string_view path);

class TImportDialog {
 public:
  // FormCreate.
  TImportDialog(ProjectModel& model, ImportUi& ui);
  // FormDestroy: closes the text file or the table.
  ~TImportDialog();
  TImportDialog(const TImportDialog&) = delete;
  TImportDialog& operator=(const TImportDialog&) = delete;

  // Controls, as plain values.
  std::string Caption = "Import Recipient List";
  std::string lbFilename;
  std::string lbKind = kKindCaption;
  TComboBoxState cbEmail;
  TRadioGroupState rgFirstLine;  // 0 "Data", 1 "Header"
  TRadioGroupState rgMode;       // 0 "Append", 1 "Replace"
  bool btImportEnabled = true;
  TProgressBar PBar;
  TDbaseTable tbDbase;

  // State.
  TFileKind FFileKind = TFileKind::fkNone;
  std::array<int32_t, kMaxListColumns> FColumnMap{};
  bool FProposalFound = false;
  bool FStopped = true;
  TProgressBar* FProgressBar = &PBar;
  bool Closed = false;  // the dialog has closed itself (after an import, or Cancel while idle)
  // A text file's content already read and brought to the ANSI code page (a
  // UTF-8 file converted by the command line); read instead of lbFilename,
  // which still names the file in messages.
  std::optional<std::string> FTextBytes;

  // Rebuilds the body's merge-tag menu after an import (the main window's BuildFieldMenu).
  std::function<void()> BuildFieldMenu;

  void FormShow() { InspectFile(); }
  // Finds the kind, fills cbEmail, proposes the e-mail column and sets the
  // progress maximum. Errors of the file or the table go to the caller.
  void InspectFile();
  void DetectFileKind();
  void ReadTextHeader();
  void OpenTable();
  void ProposeEmailColumn();
  // The list column (2 and up) captioned `name` (letters A-Z without case), or -1.
  int FindFieldColumn(std::string_view name) const;
  void BuildColumnMap();

  void btImportClick() { RunImport(); }
  // The import; the closing steps run also when it fails, and the error then goes on.
  void RunImport();
  // Closes the dialog, or asks whether a running import should stop.
  void btCancelClick();

  void ImportTextRows();
  void ImportTableRows();

 private:
  void CloseSources();
  // Appends one checked row; `value(i)` gives source column i's raw text.
  template <typename Value>
  void AddRow(const Value& value);

  ProjectModel& model_;
  ImportUi& ui_;
  std::unique_ptr<TextRecordReader> FTextFile;
  std::vector<std::string> fields_;
  std::string record_;
};

}  // namespace norvane
