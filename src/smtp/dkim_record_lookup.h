// Asks the DNS for the TXT records of a name (a DKIM key record's
// "selector._domainkey.domain") through c-ares, whose parser reads the reply.
// For `norvane dkim check`: it waits, running a private event loop.
#pragma once

#include <string>
#include <vector>

namespace norvane {

struct TxtLookup {
  bool found = false;
  std::string error;                 // why nothing was found
  std::vector<std::string> records;  // each record's strings joined (RFC 6376 section 3.6.2.2)
};

// `servers` ("127.0.0.1:5353", comma-separated) replaces the system's
// resolver configuration when not empty.
TxtLookup LookupTxt(const std::string& name, const std::string& servers);

}  // namespace norvane
