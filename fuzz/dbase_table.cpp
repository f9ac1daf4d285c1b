// dBase tables with an optional memo file: the input up to the first
// "\0DBT\0" is the table, the rest (when the marker is there) its memo file.
#include "import/dbase_table.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/locale_formats.h"

namespace {

void Store(const std::string& path, const std::string& bytes) {
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static norvane::ScopedLocaleFormats formats(norvane::LocaleFormats{});
  static const std::string stem = "/tmp/fuzz_dbase_table_" + std::to_string(::getpid());
  std::string bytes(reinterpret_cast<const char*>(data), size);
  static const std::string marker("\0DBT\0", 5);
  auto split = bytes.find(marker);
  std::string table = bytes.substr(0, split);
  ::unlink((stem + ".dbt").c_str());
  if (split != std::string::npos) Store(stem + ".dbt", bytes.substr(split + marker.size()));
  Store(stem + ".dbf", table);

  for (bool hide : {false, true}) {
    norvane::TDbaseTable reader;
    reader.HideDeletedRecs = hide;
    reader.ReadOnly = true;
    reader.SetDbfFileName(stem + ".dbf");
    try {
      reader.Open();
      int records = 0;
      for (reader.First(); !reader.Eof() && records < 2000; reader.Next(), ++records) {
        for (int i = 0; i < reader.FieldCount(); ++i) {
          try {
            reader.FieldText(i);
          } catch (const norvane::EDbaseError&) {
          }
        }
      }
    } catch (const std::exception&) {
    }
  }
  return 0;
}
