#include "smtp/dkim_signer.h"

#include <map>

#include "smtp/base64.h"
#include "smtp/dkim_canonical.h"

namespace norvane {

namespace {

struct SignedField {
  const char* name;
  bool oversign;
};

constexpr SignedField kSignedFields[] = {
    {"from", true},
    {"reply-to", false},
    {"to", true},
    {"cc", false},
    {"subject", true},
    {"date", true},
    {"message-id", true},
    {"mime-version", false},
    {"content-type", false},
    {"content-transfer-encoding", false},
    {"list-unsubscribe", false},
    {"list-unsubscribe-post", false},
};

constexpr std::size_t kFoldAt = 72;

// `text` in pieces of at most `width` characters, joined by a fold.
std::string Folded(const std::string& text, std::size_t width) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size(); pos += width) {
    if (pos > 0) out += "\r\n\t ";
    out += text.substr(pos, width);
  }
  return out;
}

}  // namespace

bool IsPlainDomainName(const std::string& name) {
  if (name.empty() || name.size() > 253) return false;
  std::size_t label = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '.') {
      if (label == 0 || name[i - 1] == '-') return false;
      label = 0;
      continue;
    }
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && !(c == '-' && label > 0) && c != '_') return false;
    if (++label > 63) return false;
  }
  return label > 0 && name.back() != '-';
}

int64_t UnixTime(const LocalDateTime& time) {
  // Days from civil (proleptic Gregorian), after H. Hinnant's algorithm.
  const int64_t y = time.year - (time.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (time.month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + time.day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second -
         static_cast<int64_t>(time.utcOffsetMinutes) * 60;
}

DkimSigner::DkimSigner(std::string domain, std::string selector, DkimKey key)
    : domain_(std::move(domain)), selector_(std::move(selector)), key_(std::move(key)) {
  if (!IsPlainDomainName(domain_))
    throw DkimKeyError("The DKIM domain '" + domain_ + "' is not a domain name");
  if (!IsPlainDomainName(selector_))
    throw DkimKeyError("The DKIM selector '" + selector_ + "' is not made of letters, digits, '-' and dots");
}

std::string DkimSigner::SignatureField(const std::vector<std::string>& headerLines,
                                       const std::string& bodyHash, int64_t signedAt) const {
  // The lines of each field name, in header order; signing takes them from the bottom up.
  std::map<std::string, std::vector<const std::string*>> byName;
  for (const std::string& line : headerLines) byName[HeaderFieldName(line)].push_back(&line);

  std::string names;
  std::string data;
  for (const SignedField& field : kSignedFields) {
    auto found = byName.find(field.name);
    const std::size_t present = found == byName.end() ? 0 : found->second.size();
    for (std::size_t k = 0; k < present + (field.oversign ? 1 : 0); ++k) {
      if (!names.empty()) names += ':';
      names += field.name;
      if (k < present) data += RelaxedHeader(*found->second[present - 1 - k]);
    }
  }
  // Folded after a colon where the line would grow long; FWS is allowed there.
  std::string h;
  std::size_t column = 3;
  for (std::size_t pos = 0; pos < names.size();) {
    std::size_t colon = names.find(':', pos);
    std::size_t end = colon == std::string::npos ? names.size() : colon + 1;
    if (column + (end - pos) > kFoldAt) {
      h += "\r\n\t ";
      column = 2;
    }
    h.append(names, pos, end - pos);
    column += end - pos;
    pos = end;
  }
  std::string field = std::string("DKIM-Signature: v=1; a=") + key_.SignatureAlgorithm() +
                      "; c=relaxed/relaxed;\r\n\td=" + domain_ + "; s=" + selector_ +
                      "; t=" + std::to_string(signedAt) + ";\r\n\th=" + h + ";\r\n\tbh=" + bodyHash +
                      ";\r\n\tb=";
  // RFC 6376 section 3.7: the signature's own field comes last, with an empty
  // b= and without its final CR LF.
  std::string ownField = RelaxedHeader(field);
  ownField.resize(ownField.size() - 2);
  data += ownField;
  return field + Folded(Base64(key_.Sign(data)), kFoldAt);
}

}  // namespace norvane
