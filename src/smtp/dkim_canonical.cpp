#include "smtp/dkim_canonical.h"

#include <openssl/evp.h>

#include <cstring>
#include <stdexcept>

#include "smtp/base64.h"

namespace norvane {

namespace {

bool IsWsp(char c) {
  return c == ' ' || c == '\t';
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends `text` with line breaks removed and blank runs made one blank,
// dropping blanks at its start when `dropLeading` and always at its end.
void AppendReduced(std::string_view text, bool dropLeading, std::string& out) {
  const std::size_t start = out.size();
  bool blank = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') continue;  // unfolding: the blank after the break stays
    if (IsWsp(c)) {
      blank = true;
      continue;
    }
    if (blank && !(dropLeading && out.size() == start)) out += ' ';
    blank = false;
    out += c;
  }
}

}  // namespace

struct RelaxedBodyHash::Context {
  EVP_MD_CTX* md = nullptr;
};

std::string HeaderFieldName(std::string_view field) {
  const std::size_t colon = field.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view name = field.substr(0, colon);
  while (!name.empty() && IsWsp(name.back())) name.remove_suffix(1);
  std::string lower(name);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

std::string RelaxedHeader(std::string_view field) {
  const std::size_t colon = field.find(':');
  std::string out = HeaderFieldName(field);
  out += ':';
  if (colon != std::string_view::npos) AppendReduced(field.substr(colon + 1), true, out);
  out += "\r\n";
  return out;
}

RelaxedBodyHash::RelaxedBodyHash() : context_(std::make_unique<Context>()) {
  context_->md = EVP_MD_CTX_new();
  if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context_->md);
    throw std::runtime_error("SHA-256 is not available");
  }
}

RelaxedBodyHash::~RelaxedBodyHash() {
  EVP_MD_CTX_free(context_->md);
}

void RelaxedBodyHash::Update(std::string_view bytes) {
  EVP_DigestUpdate(context_->md, bytes.data(), bytes.size());
}

void RelaxedBodyHash::AddLine(std::string_view line) {
  // Most lines, every base64 line among them, hold no blank: nothing to reduce.
  if (!line.empty() && std::memchr(line.data(), ' ', line.size()) == nullptr &&
      std::memchr(line.data(), '\t', line.size()) == nullptr) {
    for (; pendingEmptyLines_ > 0; --pendingEmptyLines_) Update("\r\n");
    Update(line);
    Update("\r\n");
    return;
  }
  scratch_.clear();
  AppendReduced(line, false, scratch_);
  if (scratch_.empty()) {
    ++pendingEmptyLines_;
    return;
  }
  for (; pendingEmptyLines_ > 0; --pendingEmptyLines_) Update("\r\n");
  scratch_ += "\r\n";
  Update(scratch_);
}

std::string RelaxedBodyHash::Finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->md, digest, &length);
  return Base64(std::string_view(reinterpret_cast<const char*>(digest), length));
}

}  // namespace norvane
