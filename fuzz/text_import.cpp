// Recipient text files: line reading, field splitting and the whole import
// dialog run over a file holding the input bytes.
#include <unistd.h>

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
  auto reader = norvane::TextLineReader::FromBytes(bytes);
  std::vector<std::string> fields;
  while (!reader.Eof()) {
    std::string line = reader.ReadLine();
    if (line.find_first_of("\r\n\x1A") != std::string::npos) __builtin_trap();
    norvane::SplitLine(line, fields);
    if (fields.empty()) __builtin_trap();
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
    try {
      dialog.InspectFile();
      dialog.rgFirstLine.ItemIndex = firstLine;
      dialog.RunImport();
    } catch (const std::exception&) {
    }
  }
  for (const auto& item : model.Items) {
    if (item.Caption.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    for (const auto& value : item.SubItems)
      if (value.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  }
  return 0;
}
