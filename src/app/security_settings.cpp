#include "app/security_settings.h"

#include "platform/codepage.h"
#include "settings/ini_data.h"

namespace norvane {

std::optional<TSmtpTls> ParseDirectTls(const std::string& text) {
  const std::string word = AnsiLowerCase(TrimText(text));
  if (word == "opportunistic") return smtpTlsOpportunistic;
  if (word == "off") return smtpTlsNone;
  return std::nullopt;
}

std::optional<TSmtpTls> ParseGatewayTls(const std::string& text) {
  const std::string word = AnsiLowerCase(TrimText(text));
  if (word == "starttls") return smtpTlsStartTls;
  if (word == "implicit") return smtpTlsImplicit;
  if (word == "none") return smtpTlsNone;
  return std::nullopt;
}

TRelayOptions ReadRelayOptions(TINI& ini) {
  const TINIArquivo& file = ini.INIArquivo1();
  TRelayOptions options;
  options.Gateway = file.ReadString(kGatewaySection, kGatewayKey, "");
  options.GatewayPort = file.ReadString(kGatewaySection, kGatewayPortKey, "");
  options.DirectTls = file.ReadString(kSecuritySection, kDirectTlsKey, kDirectTlsDefault);
  options.GatewayTls = file.ReadString(kSecuritySection, kGatewayTlsKey, kGatewayTlsDefault);
  options.CaFile = file.ReadString(kSecuritySection, kCaFileKey, "");
  options.User = file.ReadString(kSecuritySection, kUserKey, "");
  return options;
}

TRelaySetup MakeRelaySetup(const TRelayOptions& options) {
  TRelaySetup setup;
  const std::optional<TSmtpTls> direct = ParseDirectTls(options.DirectTls);
  if (!direct)
    throw std::invalid_argument(std::string(kSecuritySection) + "/" + kDirectTlsKey + " takes " +
                                kDirectTlsWords + ", not '" + options.DirectTls + "'");
  const std::optional<TSmtpTls> gateway = ParseGatewayTls(options.GatewayTls);
  if (!gateway)
    throw std::invalid_argument(std::string(kSecuritySection) + "/" + kGatewayTlsKey + " takes " +
                                kGatewayTlsWords + ", not '" + options.GatewayTls + "'");
  setup.DirectTls = *direct;
  setup.GatewayTls = *gateway;
  setup.Gateway = TrimText(options.Gateway);
  setup.CaFile = TrimText(options.CaFile);
  if (setup.Gateway.empty()) {
    setup.Port = "smtp";
    return setup;
  }
  setup.User = TrimText(options.User);
  setup.Port = TrimText(options.GatewayPort);
  // RFC 8314 3.3 and RFC 6409 3.1: submission with TLS from the first byte on 465, with
  // STARTTLS on 587; a plain relay listens where SMTP does.
  if (setup.Port.empty())
    setup.Port = *gateway == smtpTlsImplicit ? "465" : *gateway == smtpTlsStartTls ? "587" : "smtp";
  return setup;
}

}  // namespace norvane
