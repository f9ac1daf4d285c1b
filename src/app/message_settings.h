// The settings of how copies are written and routed beyond the plain form,
// each read afresh when a run starts (and by `norvane preview --raw`):
//   Message / MimeEncoding      true   encoded headers, quoted-printable or 8-bit text
//   Message / ListUnsubscribe   ""     List-Unsubscribe template (see list_unsubscribe.h)
//   DKIM / Domain, Selector     ""     the signing domain and the key record's selector
//   DKIM / KeyFile              ""     the PEM private key; signing is off while it is empty
//   Connection / MxPreferenceOrder  false  try mail exchangers by preference
#pragma once

#include <memory>
#include <string>

#include "smtp/message_composer.h"

namespace norvane {

class TINI;
class DkimSigner;

inline constexpr char kMessageSection[] = "Message";
inline constexpr char kMimeEncodingKey[] = "MimeEncoding";
inline constexpr char kMimeEncodingDefault[] = "true";
inline constexpr char kListUnsubscribeKey[] = "ListUnsubscribe";
inline constexpr char kDkimSection[] = "DKIM";
inline constexpr char kDkimDomainKey[] = "Domain";
inline constexpr char kDkimSelectorKey[] = "Selector";
inline constexpr char kDkimKeyFileKey[] = "KeyFile";
inline constexpr char kMxPreferenceSection[] = "Connection";
inline constexpr char kMxPreferenceOrderKey[] = "MxPreferenceOrder";
inline constexpr char kMxPreferenceOrderDefault[] = "false";

bool MimeEncodingEnabled(TINI& ini);
bool MxPreferenceOrderEnabled(TINI& ini);
std::string ListUnsubscribeSetting(TINI& ini);

struct DkimSettings {
  std::string Domain;
  std::string Selector;
  std::string KeyFile;
};
DkimSettings ReadDkimSettings(TINI& ini);
void WriteDkimSettings(TINI& ini, const DkimSettings& settings);

// The signer the settings describe; none while DKIM / KeyFile is empty.
// Throws DkimKeyError saying what is missing or wrong (no domain or selector,
// a key file that cannot be read or is no usable key).
std::shared_ptr<const DkimSigner> LoadDkimSigner(TINI& ini);

// MimeEncoding and the signer together, as the engine takes them.
MessageFormat ReadMessageFormat(TINI& ini);

// The folder of the settings file, where `norvane dkim keygen` puts keys by default.
std::string SettingsFolder();

}  // namespace norvane
