// The key record a domain publishes for DKIM (RFC 6376 section 3.6.1) and the
// tag list it is written in (section 3.2): "v=DKIM1; k=rsa; p=MIIB...".
// The record comes from the DNS, so the parser trusts nothing: a malformed
// list, a repeated tag or a value with bytes outside the grammar is refused
// with a reason.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

// "tag=value" pairs; blanks, tabs and line breaks around tags, values and
// separators dropped, a final ";" allowed. Nothing and a reason in `error`
// for anything else, a tag given twice included.
std::optional<std::map<std::string, std::string>> ParseDkimTagList(std::string_view text, std::string& error);

struct DkimKeyRecord {
  std::string keyType = "rsa";  // k=, rsa when absent
  std::string publicKey;        // p=, with blanks removed; empty: the key was revoked
};

// The key record, or nothing and a reason: no p= tag, a version other than
// "DKIM1", or a malformed tag list.
std::optional<DkimKeyRecord> ParseDkimKeyRecord(std::string_view text, std::string& error);

}  // namespace norvane
