#include "app/setting_rules.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "app/delivery_settings.h"
#include "app/list_unsubscribe.h"
#include "app/message_settings.h"
#include "app/security_settings.h"
#include "app/sending_controller.h"
#include "app/standard_headers.h"
#include "platform/codepage.h"
#include "project/merge.h"
#include "settings/ini_components.h"
#include "smtp/dkim_signer.h"

namespace norvane {

namespace {

enum class ValueKind {
  kText,
  kNumber,
  kBoolean,
  kSender,
  kDirectTls,
  kGatewayTls,
  kPort,
  kDomainName,
  kListUnsubscribe
};

struct ValueRule {
  const char* section;
  const char* key;
  ValueKind kind;
  long min, max;
};

// The ranges of `norvane send --connections` and `--timeout`; the options
// dialog writes 1 or 0 for HostFromDomain.
constexpr ValueRule kValueRules[] = {
    {"Connection", "Connections", ValueKind::kNumber, 1, 100000},
    {"Connection", "TimeOut", ValueKind::kNumber, 1, 86400},
    {"Connection", "From", ValueKind::kSender, 0, 0},
    {"DNS", "HostFromDomain", ValueKind::kNumber, 0, 1},
    {"Environment", "Maximized", ValueKind::kBoolean, 0, 0},
    {"Environment", "ShowTipOfTheDay", ValueKind::kBoolean, 0, 0},
    {"Environment", "ShowGettingStartedDialog", ValueKind::kBoolean, 0, 0},
    {"Spelling", "RunSpellChecker", ValueKind::kBoolean, 0, 0},
    {kStandardHeadersSection, kStandardHeadersKey, ValueKind::kBoolean, 0, 0},
    {kJournalSection, kJournalKey, ValueKind::kBoolean, 0, 0},
    {kMessageSection, kMimeEncodingKey, ValueKind::kBoolean, 0, 0},
    {kMessageSection, kListUnsubscribeKey, ValueKind::kListUnsubscribe, 0, 0},
    {kDkimSection, kDkimDomainKey, ValueKind::kDomainName, 0, 0},
    {kDkimSection, kDkimSelectorKey, ValueKind::kDomainName, 0, 0},
    {kMxPreferenceSection, kMxPreferenceOrderKey, ValueKind::kBoolean, 0, 0},
    {kSecuritySection, kDirectTlsKey, ValueKind::kDirectTls, 0, 0},
    {kSecuritySection, kGatewayTlsKey, ValueKind::kGatewayTls, 0, 0},
    {kGatewaySection, kGatewayPortKey, ValueKind::kPort, 1, 65535},
    {kCacheAnswersSection, kCacheAnswersKey, ValueKind::kBoolean, 0, 0},
    {kReuseSection, kReuseSessionsKey, ValueKind::kBoolean, 0, 0},
    {kReuseSection, kMessagesPerSessionKey, ValueKind::kNumber, 1, kMaxMessagesPerSession},
    {kReuseSection, kDomainConnectionsKey, ValueKind::kNumber, 1, kMaxDomainConnections},
    {kReuseSection, kDomainPaceKey, ValueKind::kNumber, 0, kMaxDomainPace},
    {kRetriesSection, kRetriesKey, ValueKind::kNumber, 0, kMaxRetries},
    {kRetriesSection, kRetryDelayKey, ValueKind::kNumber, 0, kMaxRetryDelay},
};

}  // namespace

std::string CheckedSettingValue(std::string_view section, std::string_view key, const std::string& value,
                                const std::string& shown, const TINIArquivo& file) {
  ValueRule rule{"", "", ValueKind::kText, 0, 0};
  for (const ValueRule& known : kValueRules)
    if (section == known.section && key == known.key) rule = known;
  const std::string name = std::string(section) + "/" + std::string(key);
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw std::invalid_argument(name + " may not hold control characters (line breaks, tabs)");
  }
  switch (rule.kind) {
    case ValueKind::kText:
      return value;
    case ValueKind::kDomainName:
      // Empty switches signing off; anything else becomes a tag of every signature.
      if (!value.empty() && !IsPlainDomainName(value))
        throw std::invalid_argument(name + " needs a domain name (letters, digits, '-' and dots), not '" +
                                    shown + "'");
      return value;
    case ValueKind::kListUnsubscribe:
      ListUnsubscribeTargets(value);  // throws, saying what is wrong
      return value;
    case ValueKind::kNumber: {
      // As `norvane send` reads --connections and --timeout.
      char* end = nullptr;
      errno = 0;
      long number = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || number < rule.min || number > rule.max)
        throw std::invalid_argument(name + " needs a whole number from " + std::to_string(rule.min) + " to " +
                                    std::to_string(rule.max) + ", not '" + shown + "'");
      return std::to_string(number);
    }
    case ValueKind::kBoolean:
      if (AnsiEqualsIgnoreCase(value, file.TrueWord())) return file.TrueWord();
      if (AnsiEqualsIgnoreCase(value, file.FalseWord())) return file.FalseWord();
      throw std::invalid_argument(name + " takes " + file.TrueWord() + " or " + file.FalseWord() + ", not '" +
                                  shown + "'");
    case ValueKind::kSender: {
      // Empty is the declared default: nobody is the sender until one is set.
      if (value.empty()) return value;
      std::string address = ExtractEmailAddress(value);
      std::size_t at = address.find('@');
      if (at == std::string::npos || at == 0 || at + 1 == address.size())
        throw std::invalid_argument(name + " needs an e-mail address, not '" + shown + "'");
      return value;
    }
    case ValueKind::kDirectTls:
      if (!ParseDirectTls(value))
        throw std::invalid_argument(name + " takes " + kDirectTlsWords + ", not '" + shown + "'");
      return AnsiLowerCase(value);
    case ValueKind::kGatewayTls:
      if (!ParseGatewayTls(value))
        throw std::invalid_argument(name + " takes " + kGatewayTlsWords + ", not '" + shown + "'");
      return AnsiLowerCase(value);
    case ValueKind::kPort: {
      // Empty is the default: the port that goes with the kind of TLS.
      if (value.empty()) return value;
      char* end = nullptr;
      errno = 0;
      long number = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || errno != 0 || number < rule.min || number > rule.max)
        throw std::invalid_argument(name + " needs a port number from 1 to 65535 or nothing, not '" + shown +
                                    "'");
      return std::to_string(number);
    }
  }
  return value;
}

}  // namespace norvane
