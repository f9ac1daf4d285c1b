// `norvane dkim keygen --domain D --selector S [--algorithm rsa|ed25519]
// [--out FILE] [--force]` makes a signing key, writes it readable by the user
// alone (by default into the settings folder), stores domain, selector and
// key file in the settings (DKIM/Domain, DKIM/Selector, DKIM/KeyFile), which
// turns signing on, and prints the TXT record to publish.
// `norvane dkim check --domain D --selector S [--key FILE] [--resolver
// HOST[:PORT]]` looks that record up and says whether it matches the key
// (the settings' key file unless --key names another): exit status 0 when it
// does, 1 when it does not or there is no record.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/message_settings.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_text.h"
#include "platform/atomic_file.h"
#include "settings/ini_data.h"
#include "smtp/dkim_key.h"
#include "smtp/dkim_record.h"
#include "smtp/dkim_record_lookup.h"
#include "smtp/dkim_signer.h"

namespace norvane::cli {

namespace {

constexpr std::size_t kMaxTxtString = 255;  // RFC 1035 section 3.3: one character-string

std::string Required(const OptionParser& parser, const std::string& name) {
  std::optional<std::string> value = parser.Value(name);
  if (!value || value->empty()) throw std::invalid_argument("dkim needs " + name);
  if (!IsPlainDomainName(*value))
    throw std::invalid_argument(name + " needs a domain name (letters, digits, '-' and dots), not '" +
                                *value + "'");
  return *value;
}

std::string RecordName(const std::string& selector, const std::string& domain) {
  return selector + "._domainkey." + domain;
}

int Keygen(const OptionParser& parser) {
  const std::string domain = Required(parser, "--domain");
  const std::string selector = Required(parser, "--selector");
  const std::string algorithmName = parser.Value("--algorithm").value_or("rsa");
  if (algorithmName != "rsa" && algorithmName != "ed25519")
    throw std::invalid_argument("--algorithm takes rsa or ed25519, not '" + algorithmName + "'");
  const DkimAlgorithm algorithm =
      algorithmName == "rsa" ? DkimAlgorithm::kRsaSha256 : DkimAlgorithm::kEd25519Sha256;
  std::string out =
      parser.Value("--out").value_or(SettingsFolder() + "/" + RecordName(selector, domain) + ".pem");
  std::error_code error;
  out = std::filesystem::absolute(out, error).lexically_normal().string();
  // A key whose record is published may still sign mail in flight or in a
  // queue; replacing it by mistake would make that mail fail.
  if (std::filesystem::exists(out, error) && !parser.Has("--force"))
    throw std::invalid_argument("'" + out + "' exists; give --force to replace that key");
  std::filesystem::create_directories(std::filesystem::path(out).parent_path(), error);

  const DkimKey key = DkimKey::Generate(algorithm);
  WriteFileAtomically(out, key.PrivatePem(), FileAccess::kOwnerOnly);
  TINI ini;
  WriteDkimSettings(ini, {domain, selector, out});

  const std::string value = std::string("v=DKIM1; k=") + key.KeyType() + "; p=" + key.PublicKeyBase64();
  std::printf("Wrote the %s key to %s (readable by you only); messages are signed for %s from now on.\n",
              algorithmName == "rsa" ? "RSA 2048-bit" : "Ed25519", ForTerminal(out).c_str(), domain.c_str());
  std::printf("Publish this TXT record in the DNS of %s:\n\n", domain.c_str());
  std::printf("%s IN TXT \"%s\"\n", RecordName(selector, domain).c_str(), value.c_str());
  if (value.size() > kMaxTxtString) {
    std::printf("\nIn a zone file, one string holds at most 255 characters; there it reads:\n\n%s IN TXT (",
                RecordName(selector, domain).c_str());
    for (std::size_t pos = 0; pos < value.size(); pos += kMaxTxtString)
      std::printf("%s\"%s\"", pos == 0 ? "" : "\n    ", value.substr(pos, kMaxTxtString).c_str());
    std::printf(")\n");
  }
  return 0;
}

int Check(const OptionParser& parser) {
  const std::string domain = Required(parser, "--domain");
  const std::string selector = Required(parser, "--selector");
  std::string keyFile = parser.Value("--key").value_or("");
  if (keyFile.empty()) {
    TINI ini;
    keyFile = ReadDkimSettings(ini).KeyFile;
  }
  if (keyFile.empty())
    throw std::invalid_argument("no key to compare with: give --key FILE or run dkim keygen");
  const DkimKey key = DkimKey::ReadFile(keyFile);
  const std::string name = RecordName(selector, domain);

  const TxtLookup lookup = LookupTxt(name, parser.Value("--resolver").value_or(""));
  if (!lookup.found) {
    std::printf("No key record at %s: %s.\n", name.c_str(), lookup.error.c_str());
    return 1;
  }
  int matches = 0;
  for (const std::string& text : lookup.records) {
    std::string error;
    std::optional<DkimKeyRecord> record = ParseDkimKeyRecord(text, error);
    if (!record) {
      std::printf("The TXT record at %s is no DKIM key record: %s.\n", name.c_str(),
                  EscapeControls(error).c_str());
      continue;
    }
    if (record->publicKey.empty()) {
      std::printf("The key record at %s is revoked (empty p=).\n", name.c_str());
    } else if (record->keyType != key.KeyType()) {
      std::printf("The key record at %s is for a %s key; %s holds an %s key.\n", name.c_str(),
                  EscapeControls(record->keyType).c_str(), ForTerminal(keyFile).c_str(), key.KeyType());
    } else if (record->publicKey != key.PublicKeyBase64()) {
      std::printf("The key record at %s does not match the key in %s.\n", name.c_str(),
                  ForTerminal(keyFile).c_str());
    } else {
      ++matches;
    }
  }
  if (matches == 0) return 1;
  if (lookup.records.size() > 1)
    std::printf("%s has %zu TXT records; receivers may take any of them.\n", name.c_str(),
                lookup.records.size());
  std::printf("The key record at %s matches the key in %s.\n", name.c_str(), ForTerminal(keyFile).c_str());
  return 0;
}

}  // namespace

int DkimCommand(const Args& args) {
  if (args.empty()) throw std::invalid_argument("dkim needs keygen or check");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "keygen") {
    return Keygen(OptionParser(rest, {"--domain", "--selector", "--algorithm", "--out"}, {"--force"}));
  }
  if (args[0] == "check") {
    return Check(OptionParser(rest, {"--domain", "--selector", "--key", "--resolver"}, {}));
  }
  throw std::invalid_argument("dkim needs keygen or check, not '" + args[0] + "'");
}

}  // namespace norvane::cli
