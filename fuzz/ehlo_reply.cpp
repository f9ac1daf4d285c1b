// EHLO reply parsing: arbitrary server lines (split at LF) go through the capability parser and
// the AUTH mechanism choice. What comes out must keep the parser's own rules whatever came in:
// keywords in capitals of letters, digits and "-", printable parameters, every limit held, and
// each extension found again under its own keyword.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "smtp/ehlo_capabilities.h"
#include "smtp/smtp_auth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += static_cast<char>(data[i]);
    }
  }
  using norvane::EhloCapabilities;
  const EhloCapabilities caps = EhloCapabilities::Parse(lines);
  if (caps.Count() > EhloCapabilities::kMaxExtensions) std::abort();
  caps.Summary();
  std::size_t kept = 0;
  for (const std::string& keyword : caps.Keywords()) {
    ++kept;
    if (keyword.empty() || keyword.size() > EhloCapabilities::kMaxKeywordLength) std::abort();
    for (char c : keyword)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) std::abort();
    const std::vector<std::string>* params = caps.Parameters(keyword);
    if (!params || !caps.Has(keyword) || params->size() > EhloCapabilities::kMaxParameters) std::abort();
    for (const std::string& param : *params) {
      if (param.empty() || param.size() > EhloCapabilities::kMaxParameterLength) std::abort();
      for (char c : param)
        if (c <= ' ' || c >= '\x7f') std::abort();
    }
  }
  if (kept != caps.Count()) std::abort();
  caps.SizeLimit();
  const norvane::SmtpAuthMechanism mechanism = norvane::ChooseAuthMechanism(caps);
  if (mechanism != norvane::SmtpAuthMechanism::kNone &&
      !caps.OffersAuth(norvane::AuthMechanismName(mechanism)))
    std::abort();
  return 0;
}
