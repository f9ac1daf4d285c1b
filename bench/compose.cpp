// Message composition with one large attachment: how fast the line generator
// turns a file into base64 wire lines (bytes_per_second counts the output),
// and, in the /dev/null variant, a run whose peak memory
// bench/compose_memory.sh reads to show it does not grow with the file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "lib/pseudo_random_file.h"
#include "smtp/message_composer.h"

namespace {

// Creates (once per size) a file of pseudo-random bytes in a folder removed at exit.
class AttachmentFiles {
 public:
  ~AttachmentFiles() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  const std::string& Get(long megabytes) {
    auto found = files_.find(megabytes);
    if (found != files_.end()) return found->second;
    if (dir_.empty()) {
      const char* base = std::getenv("TMPDIR");
      std::string pattern = std::string(base && *base ? base : "/tmp") + "/norvane-bench-XXXXXX";
      std::vector<char> name(pattern.begin(), pattern.end());
      name.push_back('\0');
      if (!mkdtemp(name.data())) std::abort();
      dir_ = name.data();
    }
    const std::string path = dir_ + "/attachment-" + std::to_string(megabytes) + "mb.bin";
    norvane::bench::WritePseudoRandomFile(path, megabytes, 12345);
    return files_[megabytes] = path;
  }

 private:
  std::string dir_;
  std::map<long, std::string> files_;
};

AttachmentFiles& Files() {
  static AttachmentFiles files;
  return files;
}

void Prepare(norvane::MessageComposer& composer, long megabytes) {
  composer.HdrFrom = "Sender <sender@example.test>";
  composer.HdrTo = "Ann <ann@example.test>";
  composer.HdrSubject = "Quarterly report";
  composer.SetEmailFiles({Files().Get(megabytes)});
  composer.OnGetData = [](int lineNum, std::string& line, int, bool& more) {
    if (lineNum > 20) {
      more = false;
      return;
    }
    line = "Body line of the message, as the merge would have produced it.";
  };
}

// Lines go nowhere: measures the generator alone.
void BM_Compose(benchmark::State& state) {
  norvane::MessageComposer composer;
  Prepare(composer, state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    composer.Begin();
    std::string line;
    while (composer.NextWireLine(line)) bytes += line.size() + 2;
    benchmark::DoNotOptimize(line.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Compose)->Arg(100)->Unit(benchmark::kMillisecond);

// Every line written to /dev/null, as a sender would hand it on.
void BM_ComposeToDevNull(benchmark::State& state) {
  norvane::MessageComposer composer;
  Prepare(composer, state.range(0));
  std::FILE* out = std::fopen("/dev/null", "wb");
  if (!out) std::abort();
  std::size_t bytes = 0;
  for (auto _ : state) {
    composer.Begin();
    std::string line;
    while (composer.NextWireLine(line)) {
      line += "\r\n";
      std::fwrite(line.data(), 1, line.size(), out);
      bytes += line.size();
    }
  }
  std::fclose(out);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ComposeToDevNull)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
