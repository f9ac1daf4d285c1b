// How the relay and TLS settings become a run's setup: the ports a relay gets by default, the
// words each TLS setting takes, and what direct delivery ignores.
#include "app/security_settings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace norvane {
namespace {

TEST(SecuritySettings, RelaySetupFromTheSettings) {
  struct Case {
    TRelayOptions options;
    std::string gateway, port, user;
    TSmtpTls direct, relay;
  };
  auto options = [](std::string gateway, std::string port, std::string direct, std::string relay,
                    std::string user) {
    TRelayOptions o;
    o.Gateway = std::move(gateway);
    o.GatewayPort = std::move(port);
    o.DirectTls = std::move(direct);
    o.GatewayTls = std::move(relay);
    o.User = std::move(user);
    return o;
  };
  const Case cases[] = {
      // The defaults: direct delivery, opportunistic TLS; a user name means nothing there.
      {TRelayOptions{}, "", "smtp", "", smtpTlsOpportunistic, smtpTlsStartTls},
      {options("", "", "opportunistic", "starttls", "ann"), "", "smtp", "", smtpTlsOpportunistic,
       smtpTlsStartTls},
      {options("", "", " OFF ", "none", ""), "", "smtp", "", smtpTlsNone, smtpTlsNone},
      // A relay: submission ports by the kind of TLS, unless one is set.
      {options(" relay.test ", "", "off", "starttls", " ann "), "relay.test", "587", "ann", smtpTlsNone,
       smtpTlsStartTls},
      {options("relay.test", "", "off", "Implicit", "ann"), "relay.test", "465", "ann", smtpTlsNone,
       smtpTlsImplicit},
      {options("relay.test", "", "off", "none", ""), "relay.test", "smtp", "", smtpTlsNone, smtpTlsNone},
      {options("relay.test", "2525", "off", "implicit", ""), "relay.test", "2525", "", smtpTlsNone,
       smtpTlsImplicit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.Gateway + "/" + c.options.GatewayTls);
    const TRelaySetup setup = MakeRelaySetup(c.options);
    EXPECT_EQ(setup.Gateway, c.gateway);
    EXPECT_EQ(setup.Port, c.port);
    EXPECT_EQ(setup.User, c.user);
    EXPECT_EQ(setup.DirectTls, c.direct);
    EXPECT_EQ(setup.GatewayTls, c.relay);
  }
}

TEST(SecuritySettings, UnknownWordsAreRefusedNamingTheSetting) {
  TRelayOptions direct;
  direct.DirectTls = "yes";
  TRelayOptions relay;
  relay.GatewayTls = "ssl";
  try {
    MakeRelaySetup(direct);
    ADD_FAILURE() << "taken";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Security/DirectTls takes opportunistic or off, not 'yes'");
  }
  try {
    MakeRelaySetup(relay);
    ADD_FAILURE() << "taken";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Security/GatewayTls takes starttls, implicit or none, not 'ssl'");
  }
}

}  // namespace
}  // namespace norvane
