// Recipient text files: record reading, field splitting and the whole import
// dialog run over a file holding the input bytes. A record never holds a line
// break, and the inspection and the import agree on the number of records.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "import/import_dialog.h"
#include "import/text_file.h"

namespace {

class QuietUi : public norvane::ImportUi {
 public:
  bool ConfirmYesNo(const std::string&) override { return false; }
  void ShowInformation(const std::string&) override {}
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  std::optional<std::string> ChooseFile(norvane::FileDialogKind, int) override { return std::nullopt; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  int records = 0;
  try {
    auto reader = norvane::TextRecordReader::FromBytes(bytes);
    std::vector<std::string> fields;
    while (!reader.Eof()) {
      std::string record = reader.ReadRecord();
      if (record.find_first_of("\r\n\x1A") != std::string::npos) __builtin_trap();
      if (record.size() > norvane::kMaxRecordBytes) __builtin_trap();
      norvane::SplitLine(record, fields);
      if (fields.empty()) __builtin_trap();
      ++records;
    }
  } catch (const norvane::ETextFileError&) {
    records = -1;
  }

  static const std::string path = "/tmp/fuzz_text_import_" + std::to_string(::getpid()) + ".csv";
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  norvane::ProjectModel model;
  QuietUi ui;
  for (int firstLine : {0, 1}) {
    norvane::TImportDialog dialog(model, ui);
    dialog.lbFilename = path;
    std::size_t before = model.Items.size();
    try {
      dialog.InspectFile();
    } catch (const norvane::ETextFileError&) {
      // Refused by the inspection exactly when the reader refuses the bytes, and before any row.
      if (records >= 0 || model.Items.size() != before) __builtin_trap();
      continue;
    } catch (const std::exception&) {
      continue;
    }
    if (records < 0) __builtin_trap();
    // The inspection counts the records (an empty file counts as one).
    if (dialog.PBar.Max != (records == 0 ? 1 : records)) __builtin_trap();
    dialog.rgFirstLine.ItemIndex = firstLine;
    try {
      dialog.RunImport();
    } catch (const std::exception&) {
      __builtin_trap();  // the bytes did not change between the two passes
    }
    // The import steps once per record it reads, the dropped header aside.
    int steps = records - (firstLine == 1 && records > 0 ? 1 : 0);
    if (dialog.PBar.Position != std::min(steps, dialog.PBar.Max)) __builtin_trap();
  }
  for (const auto& item : model.Items) {
    if (item.Caption.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    for (const auto& value : item.SubItems)
      if (value.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  }
  return 0;
}
