// The sandbox's SMTP server reads whatever a client sends. The first input byte
// picks how the rest is cut into reads, so line ends and caps straddling reads
// are exercised too. Tries of "tempfail-450-N" addresses are counted, as the
// server counts them, so that path is read too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "sandbox/smtp_session.h"

namespace {

struct CountingSink : norvane::MessageSink {
  std::string BeginMessage(const norvane::Envelope&) override {
    open = true;
    return "id";
  }
  void AppendMessageData(std::string_view bytes) override {
    if (!open) __builtin_trap();
    size += bytes.size();
  }
  bool EndMessage(std::string_view) override {
    if (!open) __builtin_trap();
    open = false;
    return true;
  }
  void AbandonMessage() override {
    if (!open) __builtin_trap();
    open = false;
  }
  void RecordRefusal(std::string_view, std::string_view, std::string_view) override {}
  bool open = false;
  size_t size = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t step = 1 + data[0] % 64;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  CountingSink sink;
  std::unordered_map<std::string, unsigned> tries;
  {
    norvane::SandboxSmtpSession session(sink, "fuzz.test", 4096);
    session.SetTryCounts(&tries);
    session.Start();
    while (!input.empty()) {
      size_t n = std::min(step, input.size());
      session.Feed(input.substr(0, n));
      input.remove_prefix(n);
      for (const norvane::SmtpAction& action : session.TakeActions()) {
        // Every reply is whole lines; nothing the client sent can end one early.
        if (action.kind == norvane::SmtpAction::Kind::kSend &&
            (action.bytes.size() < 2 || action.bytes.substr(action.bytes.size() - 2) != "\r\n"))
          __builtin_trap();
      }
    }
  }
  if (sink.open || sink.size > 4096) __builtin_trap();
  return 0;
}
