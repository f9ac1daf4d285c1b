// Recipient import throughput: a CSV file with 6 columns and a dBase table
// with 6 fields, from 125,000 to 1,000,000 rows, through the import dialog's
// whole path (inspection, column map, rows into the project model).
// Counters: rows per second, how many times the file's bytes were read
// (from /proc/self/io; the import reads a text file twice by design) and the
// process's peak resident size so far.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "import/import_dialog.h"

namespace {

using namespace norvane;

class NullUi : public ImportUi {
 public:
  bool ConfirmYesNo(const std::string&) override { return false; }
  void ShowInformation(const std::string&) override {}
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  std::optional<std::string> ChooseFile(FileDialogKind, int) override { return std::nullopt; }
};

std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/norvane-bench-import-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return folder;
}

std::string CsvFile(int64_t rows) {
  std::string path = Folder() + "/list" + std::to_string(rows) + ".csv";
  if (std::ifstream(path).good()) return path;
  std::ofstream out(path, std::ios::binary);
  out << "First,Last,EMail,City,Zip,Phone\r\n";
  for (int64_t i = 0; i < rows; ++i)
    out << "Ann" << i << ",\"Doe, Jr\",ann" << i << "@example.test,Oslo," << 10000 + i % 90000 << ",+47 555 "
        << i % 10000 << "\r\n";
  return path;
}

void PutU16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

std::string DbfFile(int64_t rows) {
  std::string path = Folder() + "/list" + std::to_string(rows) + ".dbf";
  if (std::ifstream(path).good()) return path;
  struct Field {
    const char* name;
    char type;
    int length, decimals;
  } fields[] = {{"FIRST", 'C', 20, 0}, {"LAST", 'C', 20, 0},   {"EMAIL", 'C', 40, 0},
                {"BORN", 'D', 8, 0},   {"AMOUNT", 'N', 10, 2}, {"ACTIVE", 'L', 1, 0}};
  int recordLength = 1;
  for (const Field& f : fields) recordLength += f.length;
  std::string header(32, '\0');
  header[0] = 0x03;
  PutU16(header, 8, 32 + 32 * 6 + 1);
  PutU16(header, 10, static_cast<unsigned>(recordLength));
  for (const Field& f : fields) {
    std::string d(32, '\0');
    d.replace(0, std::string(f.name).size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    header += d;
  }
  header += '\r';
  std::ofstream out(path, std::ios::binary);
  out << header;
  char record[256];
  for (int64_t i = 0; i < rows; ++i) {
    std::snprintf(record, sizeof record, " %-20s%-20s%-40s%08d%10.2f%c", ("Ann" + std::to_string(i)).c_str(),
                  "Doe", ("ann" + std::to_string(i) + "@example.test").c_str(),
                  19700101 + static_cast<int>(i % 28), static_cast<double>(i % 100000) / 100,
                  i % 2 ? 'T' : 'F');
    out.write(record, recordLength);
  }
  out << '\x1A';
  return path;
}

long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

double PeakMegabytes() {
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Import(benchmark::State& state, const std::string& path) {
  long long size = 0;
  if (std::ifstream in{path, std::ios::binary | std::ios::ate}) size = in.tellg();
  long long readBytes = 0;
  for (auto _ : state) {
    ProjectModel model;
    NullUi ui;
    long long before = BytesRead();
    {
      TImportDialog dialog(model, ui);
      dialog.lbFilename = path;
      dialog.InspectFile();
      dialog.RunImport();
    }
    readBytes = BytesRead() - before;
    if (static_cast<int64_t>(model.Items.size()) != state.range(0)) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(model.Items.data());
  }
  state.SetComplexityN(state.range(0));
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsRate);
  state.counters["file_reads"] = size ? static_cast<double>(readBytes) / static_cast<double>(size) : 0;
  state.counters["peak_MB"] = PeakMegabytes();
}

void BM_ImportCsv(benchmark::State& state) {
  Import(state, CsvFile(state.range(0)));
}
void BM_ImportDbf(benchmark::State& state) {
  Import(state, DbfFile(state.range(0)));
}

BENCHMARK(BM_ImportCsv)
    ->RangeMultiplier(2)
    ->Range(125000, 1000000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ImportDbf)
    ->RangeMultiplier(2)
    ->Range(125000, 1000000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);

}  // namespace
