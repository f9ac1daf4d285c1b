#include "import/import_dialog.h"

#include <algorithm>

namespace norvane {

namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// A row's value: trimmed, and never with a line break inside, whatever the
// source (a dBase memo may hold several lines): the list, the project file
// and the mail headers built from it all take one line per value.
std::string CleanValue(std::string_view raw) {
  std::string value(TrimControl(raw));
  std::replace_if(
      value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return value;
}

}  // namespace

TFileKind FileKindOfPath(std::string_view path) {
  auto slash = path.find_last_of('/');
  auto dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return TFileKind::fkNone;
  std::string_view extension = path.substr(dot);
  if (SameTextAscii(extension, ".txt") || SameTextAscii(extension, ".csv")) return TFileKind::fkText;
  if (SameTextAscii(extension, ".dbf")) return TFileKind::fkTable;
  return TFileKind::fkNone;
}

TImportDialog::TImportDialog(ProjectModel& model, ImportUi& ui) : model_(model), ui_(ui) {
  FColumnMap.fill(-1);
  tbDbase.HideDeletedRecs = false;
  tbDbase.TableLanguage = tlOem;
  // The import never writes to the table: opening it for reading only lets a
  // list on read-only media or without write permission be imported.
  tbDbase.ReadOnly = true;
  tbDbase.Exclusive = false;
}

TImportDialog::~TImportDialog() {
  CloseSources();
  ui_.SetBusyCursor(false);
}

void TImportDialog::CloseSources() {
  FTextFile.reset();
  tbDbase.Close();
}

void TImportDialog::DetectFileKind() {
  TFileKind kind = FileKindOfPath(lbFilename);
  if (kind != TFileKind::fkNone) FFileKind = kind;
}

void TImportDialog::InspectFile() {
  DetectFileKind();
  switch (FFileKind) {
    case TFileKind::fkText:
      lbKind = kKindText;
      ReadTextHeader();
      break;
    case TFileKind::fkTable:
      lbKind = kKindTable;
      OpenTable();
      rgFirstLine.Enabled = false;
      break;
    case TFileKind::fkNone:
      break;
  }
}

void TImportDialog::ReadTextHeader() {
  CloseSources();
  FTextFile = FTextBytes
                  ? std::make_unique<TextRecordReader>(TextRecordReader::FromBytes(*FTextBytes, lbFilename))
                  : std::make_unique<TextRecordReader>(lbFilename);
  FTextFile->ReadRecord(record_);
  SplitLine(record_, fields_);
  cbEmail.Items = fields_;
  // Inspected again by the wizard after a table, a text file has its first line to choose again.
  rgFirstLine.Enabled = true;
  ProposeEmailColumn();
  // Counted with the same record reading as the import, so both passes agree
  // and a file the import would refuse is refused here, before any row is added.
  int records = 1;
  while (!FTextFile->Eof()) {
    FTextFile->ReadRecord(record_);
    ++records;
  }
  FProgressBar->Max = records;
}

void TImportDialog::OpenTable() {
  CloseSources();
  tbDbase.SetDbfFileName(lbFilename);
  tbDbase.Open();
  FProgressBar->Max = tbDbase.RecordCount();
  cbEmail.Items.clear();
  for (int i = 0; i < tbDbase.FieldCount(); ++i) cbEmail.Items.push_back(tbDbase.FieldName(i));
  ProposeEmailColumn();
}

void TImportDialog::ProposeEmailColumn() {
  FProposalFound = false;
  cbEmail.ItemIndex = cbEmail.Items.empty() ? -1 : 0;
  const auto& items = cbEmail.Items;
  for (const char* name : {"email", "e-mail"}) {
    auto found = std::find_if(items.begin(), items.end(),
                              [&](const std::string& item) { return SameTextAscii(item, name); });
    if (found != items.end()) {
      cbEmail.ItemIndex = static_cast<int>(found - items.begin());
      rgFirstLine.ItemIndex = 1;
      FProposalFound = true;
      return;
    }
  }
  auto found = std::find_if(items.begin(), items.end(),
                            [](const std::string& item) { return item.find('@') != std::string::npos; });
  if (found != items.end()) {
    cbEmail.ItemIndex = static_cast<int>(found - items.begin());
    rgFirstLine.ItemIndex = 0;
    FProposalFound = true;
  }
}

int TImportDialog::FindFieldColumn(std::string_view name) const {
  for (std::size_t p = 2; p < model_.Columns.size(); ++p)
    if (SameTextAscii(model_.Columns[p].Caption, name)) return static_cast<int>(p);
  return -1;
}

void TImportDialog::BuildColumnMap() {
  FColumnMap.fill(-1);
  for (std::size_t i = 0; i < cbEmail.Items.size(); ++i) {
    int source = static_cast<int>(i);
    if (source == cbEmail.ItemIndex) {
      FColumnMap[0] = source;
      continue;
    }
    int target = FindFieldColumn(cbEmail.Items[i]);
    if (target < 0) target = model_.AddColumn(cbEmail.Items[i], 120);
    if (target < kMaxListColumns) FColumnMap[target] = source;
  }
}

template <typename Value>
void TImportDialog::AddRow(const Value& value) {
  TListItem item;
  item.StateIndex = 1;
  item.ImageIndex = kImageNone;
  item.Caption = CleanValue(value(FColumnMap[0]));
  std::size_t last = std::min<std::size_t>(model_.Columns.size(), kMaxListColumns);
  item.SubItems.reserve(last > 1 ? last - 1 : 1);
  item.SubItems.emplace_back();
  for (std::size_t p = 2; p < last; ++p) item.SubItems.push_back(CleanValue(value(FColumnMap[p])));
  model_.Items.push_back(std::move(item));
}

void TImportDialog::RunImport() {
  FStopped = false;
  model_.FModified = true;
  cbEmail.Enabled = rgMode.Enabled = rgFirstLine.Enabled = btImportEnabled = false;
  ui_.SetBusyCursor(true);
  auto closing = [this] {
    if (BuildFieldMenu) BuildFieldMenu();
    FStopped = true;
    ui_.SetBusyCursor(false);
    Closed = true;
  };
  try {
    if (rgMode.ItemIndex == 1) {
      model_.Items.clear();
      model_.ResetColumns();
    }
    BuildColumnMap();
    if (FFileKind == TFileKind::fkText)
      ImportTextRows();
    else if (FFileKind == TFileKind::fkTable)
      ImportTableRows();
  } catch (...) {
    closing();
    throw;
  }
  closing();
}

void TImportDialog::ImportTextRows() {
  if (!FTextFile) return;
  FTextFile->Rewind();
  if (rgFirstLine.ItemIndex == 1) FTextFile->ReadRecord(record_);
  auto value = [this](int32_t source) -> std::string_view {
    if (source < 0 || static_cast<std::size_t>(source) >= fields_.size()) return {};
    return fields_[source];
  };
  while (!FTextFile->Eof() && !FStopped) {
    FProgressBar->StepIt();
    ui_.ProcessMessages();
    FTextFile->ReadRecord(record_);
    if (TrimControl(record_).empty()) continue;
    SplitLine(record_, fields_);
    AddRow(value);
  }
}

void TImportDialog::ImportTableRows() {
  tbDbase.First();
  auto value = [this](int32_t source) -> std::string {
    if (source < 0 || source >= tbDbase.FieldCount()) return {};
    return tbDbase.FieldText(source);
  };
  while (!tbDbase.Eof() && !FStopped) {
    FProgressBar->StepIt();
    ui_.ProcessMessages();
    AddRow(value);
    tbDbase.Next();
  }
}

void TImportDialog::btCancelClick() {
  if (FStopped) {
    Closed = true;
    return;
  }
  if (ui_.ConfirmYesNo(kCancelImportQuestion)) FStopped = true;
}

}  // namespace norvane
