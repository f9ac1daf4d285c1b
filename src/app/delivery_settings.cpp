#include "app/delivery_settings.h"

#include <algorithm>

#include "platform/codepage.h"
#include "settings/ini_data.h"

namespace norvane {

TDeliverySettings ReadDeliverySettings(TINI& ini) {
  TINIArquivo& file = ini.INIArquivo1();
  TDeliverySettings settings;
  settings.CacheAnswers = AnsiEqualsIgnoreCase(
      file.ReadString(kCacheAnswersSection, kCacheAnswersKey, kCacheAnswersDefault), file.TrueWord());
  settings.ReuseSessions = AnsiEqualsIgnoreCase(
      file.ReadString(kReuseSection, kReuseSessionsKey, kReuseSessionsDefault), file.TrueWord());
  settings.MessagesPerSession = static_cast<int>(std::clamp<long>(
      LeadingInteger(file.ReadString(kReuseSection, kMessagesPerSessionKey, kMessagesPerSessionDefault)), 1,
      kMaxMessagesPerSession));
  settings.DomainConnections = static_cast<int>(std::clamp<long>(
      LeadingInteger(file.ReadString(kReuseSection, kDomainConnectionsKey, kDomainConnectionsDefault)), 1,
      kMaxDomainConnections));
  settings.DomainPace = static_cast<int>(std::clamp<long>(
      LeadingInteger(file.ReadString(kReuseSection, kDomainPaceKey, kDomainPaceDefault)), 0, kMaxDomainPace));
  settings.Retries = static_cast<int>(std::clamp<long>(
      LeadingInteger(file.ReadString(kRetriesSection, kRetriesKey, kRetriesDefault)), 0, kMaxRetries));
  settings.RetryDelay = static_cast<int>(
      std::clamp<long>(LeadingInteger(file.ReadString(kRetriesSection, kRetryDelayKey, kRetryDelayDefault)),
                       0, kMaxRetryDelay));
  return settings;
}

}  // namespace norvane
