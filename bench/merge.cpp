// Merge and wrap throughput: one recipient's body is merged and wrapped for
// every copy sent, so this bounds how fast the engine can be fed. The sweep
// checks that the cost grows linearly with the body's size.
#include "project/merge.h"

#include <benchmark/benchmark.h>

#include <string>

#include "project/project_model.h"

namespace norvane {
namespace {

constexpr int kRows = 1000;
constexpr int kFields = 9;  // with "<email>", ten tags

// A model whose body is `size` bytes of prose with the ten tags spread evenly
// through it (`rounds` times each), in mixed letter case.
ProjectModel MakeModel(std::size_t size, int rounds) {
  ProjectModel model;
  for (int f = 0; f < kFields; ++f) model.AddColumn("Field " + std::to_string(f), 120);
  for (int r = 0; r < kRows; ++r) {
    TListItem row{"user" + std::to_string(r) + "@example.org", {""}, 1};
    for (int f = 0; f < kFields; ++f) row.SubItems.push_back("value " + std::to_string(r * kFields + f));
    model.Items.push_back(std::move(row));
  }
  std::string tags[kFields + 1] = {"<EMAIL>"};
  for (int f = 0; f < kFields; ++f) tags[f + 1] = "<Field " + std::to_string(f) + ">";
  const std::string prose =
      "The quick brown fox jumps over the lazy dog, and then it writes a long letter home. ";
  const int slots = (kFields + 1) * rounds;
  const std::size_t gap = size / static_cast<std::size_t>(slots);
  std::string body;
  for (int s = 0; s < slots; ++s) {
    std::string chunk;
    while (chunk.size() + tags[s % (kFields + 1)].size() < gap) chunk += prose;
    chunk.resize(gap - tags[s % (kFields + 1)].size());
    if (s % 3 == 2) chunk.replace(chunk.size() / 2, 2, "\r\n");  // some typed line breaks
    body += chunk + tags[s % (kFields + 1)];
  }
  model.SetBody(body);
  model.SetTo("<field 0> <<email>>");
  model.SetSubject("News for <field 1>");
  return model;
}

void BM_MergedBody4K(benchmark::State& state) {
  const ProjectModel model = MakeModel(4096, 1);
  int row = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MergedBody(model, row));
    row = (row + 1) % kRows;
  }
  state.SetItemsProcessed(state.iterations());  // recipients
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(model.Body.size()));
}
BENCHMARK(BM_MergedBody4K);

// Everything the sending controller merges for one recipient.
void BM_MergedRecipient4K(benchmark::State& state) {
  const ProjectModel model = MakeModel(4096, 1);
  int row = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MergeRecipient(model, row, model.To));
    benchmark::DoNotOptimize(MergeRecipient(model, row, model.Subject));
    benchmark::DoNotOptimize(MergedBody(model, row));
    row = (row + 1) % kRows;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MergedRecipient4K);

// Body size sweep at a constant tag density (ten tags per 4 KB).
void BM_MergedBodySize(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const ProjectModel model = MakeModel(size, static_cast<int>(size / 4096));
  int row = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MergedBody(model, row));
    row = (row + 1) % kRows;
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MergedBodySize)->RangeMultiplier(4)->Range(4 << 10, 1 << 20)->Complexity(benchmark::oN);

// The worst case for the tag search: a value holding its own tag, at every tag.
void BM_SelfContainingValue(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "<x>";
  for (auto _ : state) benchmark::DoNotOptimize(ReplaceTag("<x>", text, "[<x>]"));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SelfContainingValue)->RangeMultiplier(4)->Range(4 << 10, 1 << 20)->Complexity(benchmark::oN);

}  // namespace
}  // namespace norvane
