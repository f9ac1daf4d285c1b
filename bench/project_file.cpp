// Saving and opening a large project: N recipients with a result and five
// field columns. Reports seconds per operation, the resident memory of the
// model before the operation and the peak resident memory while it ran
// (the high-water mark is reset before each operation).
#include "project/project_file.h"

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using norvane::ProjectModel;

ProjectModel MakeProject(int rows) {
  ProjectModel model;
  for (const char* field : {"Name", "City", "Company", "Phone", "Code"}) model.AddColumn(field, 120);
  model.Items.reserve(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    std::string n = std::to_string(i);
    norvane::TListItem item;
    item.Caption = "recipient" + n + "@example" + std::to_string(i % 997) + ".test";
    item.SubItems = {i % 3 ? "Delivered and available to the recipient!" : "",
                     "Person " + n,
                     "City " + std::to_string(i % 5000),
                     "Company " + std::to_string(i % 20000),
                     "+49 30 " + n,
                     "C" + n};
    item.StateIndex = i % 3 ? 0 : 1;
    item.ImageIndex = i % 3 ? 0 : -1;
    model.Items.push_back(std::move(item));
  }
  model.Subject = "Hello <name>";
  model.Body = "Dear <name>,\r\nwe write to you in <city>.\r\n";
  return model;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return 0;
}

void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

std::string BenchPath() {
  return "/tmp/norvane-bench-" + std::to_string(getpid()) + ".nvp";
}

void SetMemoryCounters(benchmark::State& state, long rssBeforeKb) {
  state.counters["model_MB"] = static_cast<double>(rssBeforeKb) / 1024.0;
  state.counters["peak_MB"] = static_cast<double>(StatusKb("VmHWM:")) / 1024.0;
  state.counters["extra_peak_MB"] = static_cast<double>(StatusKb("VmHWM:") - rssBeforeKb) / 1024.0;
}

void BM_SaveProject(benchmark::State& state) {
  ProjectModel model = MakeProject(static_cast<int>(state.range(0)));
  std::string path = BenchPath();
  long before = StatusKb("VmRSS:");
  ResetPeak();
  for (auto _ : state) norvane::SaveProject(model, path);
  SetMemoryCounters(state, before);
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  state.counters["file_MB"] = static_cast<double>(file.tellg()) / (1024.0 * 1024.0);
  std::remove(path.c_str());
}

void BM_LoadProject(benchmark::State& state) {
  std::string path = BenchPath();
  // The file is written by a child process so that this one's memory holds
  // nothing of the model before the measured loads.
  pid_t child = fork();
  if (child == 0) {
    norvane::SaveProject(MakeProject(static_cast<int>(state.range(0))), path);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ProjectModel model;
  long before = StatusKb("VmRSS:");
  ResetPeak();
  for (auto _ : state) {
    state.PauseTiming();
    model.NewProject();  // freeing the previous load is not part of opening
    state.ResumeTiming();
    norvane::LoadProject(model, path);
  }
  SetMemoryCounters(state, before);
  std::remove(path.c_str());
}

BENCHMARK(BM_SaveProject)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_LoadProject)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
