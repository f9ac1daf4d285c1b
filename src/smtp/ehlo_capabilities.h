// The service extensions a server announces in its reply to EHLO (RFC 5321 4.1.1.1): the first
// line greets with the server's name, every later line names one extension, a keyword followed
// by parameters separated by blanks ("250-AUTH PLAIN LOGIN", "250-SIZE 35882577", "250 8BITMIME").
//
// The reply comes from whoever answers the connection, so the parser trusts nothing: a line
// whose keyword is not letters, digits and "-" is skipped, as is a parameter that is not
// printable ASCII; both have length limits, and at most kMaxExtensions extensions and
// kMaxParameters parameters each are kept. Keywords compare without regard to case and are held in capitals.
// The old form "AUTH=PLAIN LOGIN" that some servers still send counts as AUTH.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

class EhloCapabilities {
 public:
  static constexpr std::size_t kMaxExtensions = 64;
  static constexpr std::size_t kMaxParameters = 32;
  static constexpr std::size_t kMaxKeywordLength = 64;
  static constexpr std::size_t kMaxParameterLength = 128;

  // The lines of a successful EHLO reply as received, reply codes included ("250-...").
  static EhloCapabilities Parse(const std::vector<std::string>& lines);

  bool Has(std::string_view keyword) const;
  // The parameters of an extension, or nullptr when it is not announced.
  const std::vector<std::string>* Parameters(std::string_view keyword) const;
  // AUTH offers this SASL mechanism (RFC 4954 3).
  bool OffersAuth(std::string_view mechanism) const;
  // The SIZE limit in bytes (RFC 1870): 0 when announced without one, nothing when not announced
  // or not a number.
  std::optional<uint64_t> SizeLimit() const;

  // The server's name from the first line.
  const std::string& Domain() const { return domain_; }
  std::size_t Count() const { return extensions_.size(); }
  // The keywords, in the order announced.
  std::vector<std::string> Keywords() const;
  bool Empty() const { return extensions_.empty(); }
  // "STARTTLS, AUTH PLAIN LOGIN, 8BITMIME" for a transcript.
  std::string Summary() const;

 private:
  struct Extension {
    std::string keyword;
    std::vector<std::string> parameters;
  };
  Extension* Find(std::string_view keyword);
  const Extension* Find(std::string_view keyword) const;

  std::string domain_;
  std::vector<Extension> extensions_;
};

}  // namespace norvane
