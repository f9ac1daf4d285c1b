// Where `norvane send` and `norvane password` get a relay password from, in this order: a file
// named on the command line (--password-file), the environment (NORVANE_SMTP_PASSWORD), the
// secret store (send only), and last the terminal, asked without echo. A password keeps the bytes
// it was given in (UTF-8 from a terminal): SASL sends UTF-8 (RFC 4616), not the ANSI code page.
#pragma once

#include <optional>
#include <string>

namespace norvane::cli {

inline constexpr char kPasswordVariable[] = "NORVANE_SMTP_PASSWORD";

// The first line of `path` without its line end. Throws std::invalid_argument naming the file
// when it cannot be read or holds no password.
std::string ReadPasswordFile(const std::string& path);

// The password from --password-file (when given) or the environment; nothing when neither has one.
std::optional<std::string> GivenPassword(const std::optional<std::string>& passwordFile);

// Asks on the controlling terminal with echo off; nothing when there is no terminal. An empty
// answer is an answer (the caller decides).
std::optional<std::string> AskPassword(const std::string& prompt);

}  // namespace norvane::cli
