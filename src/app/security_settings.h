// The settings of TLS and relay submission, and the relay setup of a run made from them and the
// command line's overrides:
//
//   Connection / Gateway      ""               relay host; empty: every copy to its mail exchangers
//   Connection / GatewayPort  ""               its port; empty: 587 for starttls, 465 for implicit,
//                                              25 for none
//   Security / DirectTls      "opportunistic"  STARTTLS with the mail exchangers when they offer it
//                                              (certificates not checked); "off": HELO, plain text
//   Security / GatewayTls     "starttls"       to the relay: STARTTLS required; "implicit": TLS from
//                                              the first byte; "none": plain text (no password)
//   Security / CaFile         ""               PEM file of authorities trusted besides the system's
//   Security / User           ""               user name for the relay; its password lives in the
//                                              secret store (platform/secret_store.h), never here
//
// "off" and "none" give the plain dialogue. A relay gets checked TLS by default: the usual relay
// is a provider's submission server, and a password or a message must not cross the network in
// plain text because nobody said otherwise.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "smtp/custom_smtp_client.h"

namespace norvane {

class TINI;

inline constexpr char kSecuritySection[] = "Security";
inline constexpr char kDirectTlsKey[] = "DirectTls";
inline constexpr char kDirectTlsDefault[] = "opportunistic";
inline constexpr char kGatewayTlsKey[] = "GatewayTls";
inline constexpr char kGatewayTlsDefault[] = "starttls";
inline constexpr char kCaFileKey[] = "CaFile";
inline constexpr char kUserKey[] = "User";
inline constexpr char kGatewaySection[] = "Connection";
inline constexpr char kGatewayKey[] = "Gateway";
inline constexpr char kGatewayPortKey[] = "GatewayPort";

// The words each TLS setting takes, as a message shows them.
inline constexpr char kDirectTlsWords[] = "opportunistic or off";
inline constexpr char kGatewayTlsWords[] = "starttls, implicit or none";

// The words (any letter case); nothing for any other text.
std::optional<TSmtpTls> ParseDirectTls(const std::string& text);
std::optional<TSmtpTls> ParseGatewayTls(const std::string& text);

// The settings as stored (or their defaults); the command line replaces some of them.
struct TRelayOptions {
  std::string Gateway;
  std::string GatewayPort;
  std::string DirectTls = kDirectTlsDefault;
  std::string GatewayTls = kGatewayTlsDefault;
  std::string CaFile;
  std::string User;
};
TRelayOptions ReadRelayOptions(TINI& ini);

// What the engine is given.
struct TRelaySetup {
  std::string Gateway;  // trimmed; empty for direct delivery
  std::string Port;     // of the relay; "smtp" for direct delivery
  TSmtpTls DirectTls = smtpTlsOpportunistic;
  TSmtpTls GatewayTls = smtpTlsStartTls;
  std::string CaFile;
  std::string User;  // empty for direct delivery
};
// Throws std::invalid_argument naming the setting whose word is not known.
TRelaySetup MakeRelaySetup(const TRelayOptions& options);

}  // namespace norvane
