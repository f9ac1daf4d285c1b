// The three settings components that mirror an INI file on top of the
// registry: a file (TINIArquivo) bound to one key, sections (TINISecao) that
// name its subkeys, and lines (TINILinha) that each stand for one named string
// value with a declared default. A line reads its value on first use and
// writes it back at once on every change; the partners keep lists of each
// other and drop a partner that is destroyed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace norvane {

enum class TICLanguage { iclPortuguese = 0, iclEnglish = 1 };

class TINISecao;
class TINILinha;

class TINIArquivo {
 public:
  // Works on `hive` (HKEY_CURRENT_USER by default); no key is open until
  // SetFileName is given one.
  explicit TINIArquivo(RegistryHive hive = RegistryHive::CurrentUser());
  ~TINIArquivo();
  TINIArquivo(const TINIArquivo&) = delete;
  TINIArquivo& operator=(const TINIArquivo&) = delete;

  TICLanguage Language() const { return language_; }
  void SetLanguage(TICLanguage language) { language_ = language; }
  const char* TrueWord() const;
  const char* FalseWord() const;

  const std::string& FileName() const { return fileName_; }
  // Opens (and creates) the key when the path differs from the stored one.
  void SetFileName(std::string fileName);

  bool AutoApply() const { return autoApply_; }
  void SetAutoApply(bool autoApply) { autoApply_ = autoApply; }

  // The value, or `defaultText` when the subkey or the value is missing;
  // the empty text without an open key. Throws RegistryError for a value
  // that is not a string.
  std::string ReadString(std::string_view section, std::string_view name, std::string_view defaultText) const;
  // Creates the subkey when missing; does nothing without an open key.
  void WriteString(std::string_view section, std::string_view name, std::string_view text);

  const std::vector<TINISecao*>& Sections() const { return sections_; }

 private:
  friend class TINISecao;

  RegistryHive hive_;
  TICLanguage language_ = TICLanguage::iclPortuguese;
  std::string fileName_;
  std::optional<std::string> openKey_;
  bool autoApply_ = true;
  std::vector<TINISecao*> sections_;
};

class TINISecao {
 public:
  TINISecao() = default;
  TINISecao(std::string caption, TINIArquivo* arquivo);
  ~TINISecao();
  TINISecao(const TINISecao&) = delete;
  TINISecao& operator=(const TINISecao&) = delete;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }

  TINIArquivo* ArquivoAssociado() const { return arquivo_; }
  void SetArquivoAssociado(TINIArquivo* arquivo);

  const std::vector<TINILinha*>& Lines() const { return lines_; }

 private:
  friend class TINIArquivo;
  friend class TINILinha;

  std::string caption_;
  TINIArquivo* arquivo_ = nullptr;
  std::vector<TINILinha*> lines_;
};

class TINILinha {
 public:
  TINILinha() = default;
  // `declaredText` is the default used until the stored value is read.
  TINILinha(TINISecao* secao, std::string caption, std::string declaredText);
  ~TINILinha();
  TINILinha(const TINILinha&) = delete;
  TINILinha& operator=(const TINILinha&) = delete;

  TINISecao* SecaoAssociada() const { return secao_; }
  void SetSecaoAssociada(TINISecao* secao);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }

  // Reads the stored value on the first call (the held text is the default);
  // later calls return the text held in memory. Throws RegistryError when the
  // stored value is not a string.
  const std::string& Text();
  // Stores a changed text and writes it at once when the file applies
  // automatically; the text the line holds (read first when not yet loaded)
  // writes nothing. A failed write throws RegistryError and the new text
  // stays in memory.
  void SetText(std::string text);

  // Decimal digits after optional blanks and sign, or hex after "$"; the
  // valid leading part of anything else, 0 when there is none.
  int32_t AsInteger();
  void SetAsInteger(int32_t value);
  // True when the text is the file's true word in any letter case.
  bool AsBoolean();
  void SetAsBoolean(bool value);

  bool Loaded() const { return loaded_; }

 private:
  friend class TINISecao;

  TINISecao* secao_ = nullptr;
  std::string caption_;
  std::string text_;
  bool loaded_ = false;
};

// The integer reading of AsInteger, usable on any text.
int32_t LeadingInteger(std::string_view text);

}  // namespace norvane
