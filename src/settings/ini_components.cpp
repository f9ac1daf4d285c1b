#include "settings/ini_components.h"

#include <algorithm>
#include <limits>

#include "platform/codepage.h"

namespace norvane {
namespace {

template <typename T>
void Drop(std::vector<T*>& list, T* item) {
  std::erase(list, item);
}

}  // namespace

TINIArquivo::TINIArquivo(RegistryHive hive) : hive_(std::move(hive)) {}

TINIArquivo::~TINIArquivo() {
  for (TINISecao* secao : sections_) secao->arquivo_ = nullptr;
}

const char* TINIArquivo::TrueWord() const {
  return language_ == TICLanguage::iclEnglish ? "true" : "Sim";
}

const char* TINIArquivo::FalseWord() const {
  return language_ == TICLanguage::iclEnglish ? "false" : "N\xE3o";
}

void TINIArquivo::SetFileName(std::string fileName) {
  if (fileName == fileName_) return;
  fileName_ = std::move(fileName);
  openKey_.reset();
  hive_.CreateKey(fileName_);
  openKey_ = fileName_;
}

std::string TINIArquivo::ReadString(std::string_view section, std::string_view name,
                                    std::string_view defaultText) const {
  if (!openKey_) return {};
  auto value = hive_.ReadString(JoinRegistryPath(*openKey_, section), name);
  return value ? *value : std::string(defaultText);
}

void TINIArquivo::WriteString(std::string_view section, std::string_view name, std::string_view text) {
  if (!openKey_) return;
  hive_.WriteString(JoinRegistryPath(*openKey_, section), name, text);
}

TINISecao::TINISecao(std::string caption, TINIArquivo* arquivo) : caption_(std::move(caption)) {
  SetArquivoAssociado(arquivo);
}

TINISecao::~TINISecao() {
  if (arquivo_) Drop(arquivo_->sections_, this);
  for (TINILinha* linha : lines_) linha->secao_ = nullptr;
}

void TINISecao::SetArquivoAssociado(TINIArquivo* arquivo) {
  if (arquivo_) Drop(arquivo_->sections_, this);
  arquivo_ = arquivo;
  if (arquivo_) arquivo_->sections_.push_back(this);
}

TINILinha::TINILinha(TINISecao* secao, std::string caption, std::string declaredText)
    : caption_(std::move(caption)), text_(std::move(declaredText)) {
  SetSecaoAssociada(secao);
}

TINILinha::~TINILinha() {
  if (secao_) Drop(secao_->lines_, this);
}

void TINILinha::SetSecaoAssociada(TINISecao* secao) {
  if (secao_) Drop(secao_->lines_, this);
  secao_ = secao;
  if (secao_) secao_->lines_.push_back(this);
}

const std::string& TINILinha::Text() {
  if (!loaded_ && secao_ && secao_->ArquivoAssociado()) {
    // Marked loaded only after a successful read, so a value of the wrong
    // type keeps failing instead of silently turning into the default.
    text_ = secao_->ArquivoAssociado()->ReadString(secao_->Caption(), caption_, text_);
    loaded_ = true;
  }
  return text_;
}

void TINILinha::SetText(std::string text) {
  // Compared with the stored value, not the declared default the line holds
  // before its first read: setting a line back to its default while another
  // value is stored must write. A stored value that cannot be read (another
  // type) counts as different, so the write replaces it.
  bool differs = true;
  try {
    differs = text != Text();
  } catch (const RegistryError&) {
  }
  if (!differs) return;
  text_ = std::move(text);
  // The text set is what the line holds from now on: a later first read
  // must not replace it with the stored value (it would drop a change made
  // while AutoApply is off, or one whose write failed).
  loaded_ = true;
  TINIArquivo* arquivo = secao_ ? secao_->ArquivoAssociado() : nullptr;
  if (arquivo && arquivo->AutoApply()) arquivo->WriteString(secao_->Caption(), caption_, text_);
}

int32_t TINILinha::AsInteger() {
  return LeadingInteger(Text());
}

void TINILinha::SetAsInteger(int32_t value) {
  SetText(std::to_string(value));
}

bool TINILinha::AsBoolean() {
  const std::string& text = Text();
  const char* trueWord =
      (secao_ && secao_->ArquivoAssociado()) ? secao_->ArquivoAssociado()->TrueWord() : "Sim";
  return AnsiEqualsIgnoreCase(text, trueWord);
}

void TINILinha::SetAsBoolean(bool value) {
  TINIArquivo* arquivo = secao_ ? secao_->ArquivoAssociado() : nullptr;
  if (arquivo) {
    SetText(value ? arquivo->TrueWord() : arquivo->FalseWord());
  } else {
    SetText(value ? "Sim" : "N\xE3o");
  }
}

int32_t LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  }
  // Accumulated as a magnitude; a digit that would overflow ends the valid
  // leading part like any other character.
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  const uint64_t hexLimit = 0xFFFFFFFFu;  // "$FFFFFFFF" is -1, as a 32-bit pattern
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    uint64_t next = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (next > (hex ? hexLimit : limit)) break;
    value = next;
  }
  if (hex) {
    auto bits = static_cast<uint32_t>(value);
    return negative ? static_cast<int32_t>(0u - bits) : static_cast<int32_t>(bits);
  }
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
}

}  // namespace norvane
