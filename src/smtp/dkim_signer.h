// Signs one message for a domain (DKIM, RFC 6376): relaxed/relaxed
// canonicalization, the fields that matter to a reader and to a mailbox
// provider, the body hash computed beforehand over the exact body on the wire.
// The signature is the last header field made, so it covers the header as sent.
//
// Signed fields, when present: From, Reply-To, To, Cc, Subject, Date,
// Message-ID, MIME-Version, Content-Type, Content-Transfer-Encoding,
// List-Unsubscribe and List-Unsubscribe-Post (RFC 8058 section 4 requires
// both signed for one-click). From, To, Subject, Date and Message-ID are named
// once more than they occur, so that a relay adding a second one of them
// breaks the signature (RFC 6376 section 8.15).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "smtp/dkim_key.h"

namespace norvane {

class DkimSigner {
 public:
  // Throws DkimKeyError when the domain or the selector is not a plain domain
  // name (letters, digits, "-" and dots between labels): anything else could
  // add tags to the signature or name another record.
  DkimSigner(std::string domain, std::string selector, DkimKey key);

  const std::string& Domain() const { return domain_; }
  const std::string& Selector() const { return selector_; }
  const DkimKey& Key() const { return key_; }

  // The "DKIM-Signature: ..." field, folded with CR LF TAB, for the header
  // lines as they go on the wire (no blank separator line) and the base64
  // relaxed hash of the body. `signedAt` is the "t=" tag, in seconds since 1970.
  std::string SignatureField(const std::vector<std::string>& headerLines, const std::string& bodyHash,
                             int64_t signedAt) const;

 private:
  std::string domain_;
  std::string selector_;
  DkimKey key_;
};

// Whether `name` is a domain name of letters, digits, "-" and single dots
// between labels of at most 63 characters, 253 in all.
bool IsPlainDomainName(const std::string& name);

// Seconds since 1970-01-01 UTC of a local time with its UTC offset.
int64_t UnixTime(const LocalDateTime& time);

}  // namespace norvane
