// The cost of signing a copy (DKIM): one message composed from Begin() to its
// last wire line, with MIME encoding on, unsigned, signed with RSA 2048 and
// signed with Ed25519, with no attachment, 100 KB and 1 MB. Signing hashes the
// body twice (once to sign, once while sending) and signs once per copy, so
// the difference between the rows is what a mailing pays per recipient.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lib/pseudo_random_file.h"
#include "smtp/dkim_key.h"
#include "smtp/dkim_signer.h"
#include "smtp/message_composer.h"

namespace {

std::string AttachmentOf(long kilobytes) {
  static std::string dir;
  if (dir.empty()) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/norvane-dkim-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) std::abort();
    dir = name.data();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    });
  }
  const std::string path = dir + "/a" + std::to_string(kilobytes) + ".bin";
  if (!std::filesystem::exists(path)) {
    // WritePseudoRandomFile takes whole megabytes; cut the file to size.
    norvane::bench::WritePseudoRandomFile(path, 1, 777);
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(kilobytes) * 1024);
  }
  return path;
}

std::shared_ptr<const norvane::DkimSigner> SignerFor(int algorithm) {
  static auto rsa = std::make_shared<const norvane::DkimSigner>(
      "example.org", "s1", norvane::DkimKey::Generate(norvane::DkimAlgorithm::kRsaSha256));
  static auto ed25519 = std::make_shared<const norvane::DkimSigner>(
      "example.org", "s2", norvane::DkimKey::Generate(norvane::DkimAlgorithm::kEd25519Sha256));
  return algorithm == 1 ? rsa : algorithm == 2 ? ed25519 : nullptr;
}

// Arguments: 0 unsigned, 1 RSA, 2 Ed25519; attachment size in KB (0: none).
void BM_ComposeCopy(benchmark::State& state) {
  norvane::MessageComposer composer;
  composer.HdrFrom = "Shop <shop@example.org>";
  composer.HdrTo = "\"Chlo\xe9 M\xfcller\" <chloe@example.test>";
  composer.HdrSubject = "Your \x80 20 voucher, Chlo\xe9";
  composer.Format.MimeEncoding = true;
  composer.Format.Signer = SignerFor(static_cast<int>(state.range(0)));
  if (state.range(1) > 0) composer.SetEmailFiles({AttachmentOf(state.range(1))});
  // About 1 KB of text: 15 wrapped lines.
  const std::string text = "Dear Chlo\xe9, this is the text of a mailing as it is wrapped at 75 columns.";
  composer.OnGetData = [&](int lineNum, std::string& line, int, bool& more) {
    if (lineNum > 15) {
      more = false;
      return;
    }
    line = text;
  };
  std::string line;
  std::size_t bytes = 0;
  for (auto _ : state) {
    composer.Begin();
    while (composer.NextWireLine(line)) bytes += line.size() + 2;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetLabel(state.range(0) == 0 ? "unsigned" : state.range(0) == 1 ? "rsa-sha256" : "ed25519-sha256");
}

BENCHMARK(BM_ComposeCopy)->ArgsProduct({{0, 1, 2}, {0, 100, 1024}})->Unit(benchmark::kMicrosecond);

}  // namespace
