#include "sandbox/outcome_script.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace norvane {

namespace {

constexpr unsigned kMaxDelaySeconds = 3600;

// The number after `prefix` in "prefix-N", N of at most `maxDigits` digits; nothing when
// `local` is not of that form.
std::optional<unsigned> NumberAfter(std::string_view local, std::string_view prefix, std::size_t maxDigits) {
  if (local.size() <= prefix.size() || local.substr(0, prefix.size()) != prefix) return std::nullopt;
  const std::string_view digits = local.substr(prefix.size());
  if (digits.size() > maxDigits ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return static_cast<unsigned>(std::stoul(std::string(digits)));
}

}  // namespace

std::string LowerScriptText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

ScriptedOutcome OutcomeForRecipient(std::string_view address) {
  size_t at = address.rfind('@');
  std::string local = LowerScriptText(at == std::string_view::npos ? address : address.substr(0, at));
  if (size_t plus = local.find('+'); plus != std::string::npos) local.resize(plus);

  using Kind = ScriptedOutcome::Kind;
  if (local == "reject-550") return {Kind::kReject550, 0};
  if (local == "full-552") return {Kind::kFull552, 0};
  if (local == "tempfail-450") return {Kind::kTempfail450, 0};
  if (auto times = NumberAfter(local, "tempfail-450-", 4); times && *times > 0)
    return {Kind::kTempfail450, 0, *times};
  if (local == "drop") return {Kind::kDrop, 0};
  if (auto seconds = NumberAfter(local, "slow-", 9))
    return {Kind::kSlow, std::min(*seconds, kMaxDelaySeconds)};
  return {};
}

}  // namespace norvane
