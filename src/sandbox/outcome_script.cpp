#include "sandbox/outcome_script.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace norvane {

namespace {

constexpr unsigned kMaxDelaySeconds = 3600;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

ScriptedOutcome OutcomeForRecipient(std::string_view address) {
  size_t at = address.rfind('@');
  std::string local = Lower(at == std::string_view::npos ? address : address.substr(0, at));
  if (size_t plus = local.find('+'); plus != std::string::npos) local.resize(plus);

  using Kind = ScriptedOutcome::Kind;
  if (local == "reject-550") return {Kind::kReject550, 0};
  if (local == "full-552") return {Kind::kFull552, 0};
  if (local == "tempfail-450") return {Kind::kTempfail450, 0};
  constexpr std::string_view kTempfailTimes = "tempfail-450-";
  if (local.size() > kTempfailTimes.size() && local.compare(0, kTempfailTimes.size(), kTempfailTimes) == 0) {
    std::string_view digits = std::string_view(local).substr(kTempfailTimes.size());
    if (digits.size() <= 4 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const unsigned times = static_cast<unsigned>(std::stoul(std::string(digits)));
      if (times > 0) return {Kind::kTempfail450, 0, times};
    }
  }
  if (local == "drop") return {Kind::kDrop, 0};
  constexpr std::string_view kSlow = "slow-";
  if (local.size() > kSlow.size() && local.compare(0, kSlow.size(), kSlow) == 0) {
    std::string_view digits = std::string_view(local).substr(kSlow.size());
    if (digits.size() <= 9 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      unsigned seconds = static_cast<unsigned>(std::stoul(std::string(digits)));
      return {Kind::kSlow, std::min(seconds, kMaxDelaySeconds)};
    }
  }
  return {};
}

}  // namespace norvane
