// The settings of the delivery policy, read afresh when a run starts:
//   DNS / CacheAnswers               true   the run's DNS answers kept while their time to live lasts
//   Connection / ReuseSessions       false  a connection serves the next message to its host (RSET)
//   Connection / MessagesPerSession  100    at most that many messages on one connection
//   Connection / DomainConnections   10     at most that many connections to one domain at once
//   Connection / DomainPace          0      at most that many messages a minute to one domain; 0: no pace
//   Delivery / Retries               0      more tries of a temporarily failed recipient; 0: one try
//   Delivery / RetryDelay            300    seconds before such a try (and a 421 exchanger's back-off)
// `norvane send --reuse` switches reuse on for one run, `--retries N --retry-delay S` override the
// last two.
#pragma once

namespace norvane {

class TINI;

inline constexpr char kCacheAnswersSection[] = "DNS";
inline constexpr char kCacheAnswersKey[] = "CacheAnswers";
inline constexpr char kCacheAnswersDefault[] = "true";
inline constexpr char kReuseSection[] = "Connection";
inline constexpr char kReuseSessionsKey[] = "ReuseSessions";
inline constexpr char kReuseSessionsDefault[] = "false";
inline constexpr char kMessagesPerSessionKey[] = "MessagesPerSession";
inline constexpr char kMessagesPerSessionDefault[] = "100";
inline constexpr long kMaxMessagesPerSession = 100000;
inline constexpr char kDomainConnectionsKey[] = "DomainConnections";
inline constexpr char kDomainConnectionsDefault[] = "10";
inline constexpr long kMaxDomainConnections = 100000;
inline constexpr char kDomainPaceKey[] = "DomainPace";
inline constexpr char kDomainPaceDefault[] = "0";
inline constexpr long kMaxDomainPace = 100000;
inline constexpr char kRetriesSection[] = "Delivery";
inline constexpr char kRetriesKey[] = "Retries";
inline constexpr char kRetriesDefault[] = "0";
inline constexpr char kRetryDelayKey[] = "RetryDelay";
inline constexpr char kRetryDelayDefault[] = "300";
// The ranges `norvane config set` and the options dialog accept.
inline constexpr long kMaxRetries = 100;
inline constexpr long kMaxRetryDelay = 86400;

struct TDeliverySettings {
  bool CacheAnswers = true;
  bool ReuseSessions = false;
  int MessagesPerSession = 100;
  int DomainConnections = 10;
  int DomainPace = 0;
  int Retries = 0;
  int RetryDelay = 300;
};
// A stored number outside its range counts as its nearest end.
TDeliverySettings ReadDeliverySettings(TINI& ini);

}  // namespace norvane
