// SMTP authentication (RFC 4954) with the two mechanisms every submission server offers: PLAIN
// (RFC 4616, one round trip) and LOGIN (user name and password each in answer to a "334"
// challenge). The password crosses the network only inside TLS, and never reaches a transcript:
// the lines that carry it are shown as kMaskedSecret.
#pragma once

#include <string>
#include <string_view>

#include "smtp/ehlo_capabilities.h"

namespace norvane {

enum class SmtpAuthMechanism { kNone, kPlain, kLogin };

// What a transcript shows in place of a credential.
inline constexpr char kMaskedSecret[] = "********";

// The best mechanism the server offers of those the client speaks: PLAIN before LOGIN.
SmtpAuthMechanism ChooseAuthMechanism(const EhloCapabilities& capabilities);
const char* AuthMechanismName(SmtpAuthMechanism mechanism);

// The PLAIN initial response: base64 of NUL user NUL password, no separate authorization identity.
std::string AuthPlainResponse(std::string_view user, std::string_view password);

}  // namespace norvane
