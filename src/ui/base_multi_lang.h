// A window's word table and the language it shows. Every window carries one
// (MultiLang1): for each named component the texts it shows in every
// language, applied to the window's components whenever the active language
// is set, and once when the window has been loaded, in the start language.
// It also switches the window's font and, when asked to, the positions of
// the window and its controls per language.
//
// Word table grammar (Words): a sequence of entries, each a marker line and
// then exactly Languages text lines, language 0 first. A marker is the name
// of a component the window owns (letter case ignored), "%Form%" for the
// window's own caption, "\"" to continue the previous component with its next
// list element, or "\".Hint" (letter case ignored) for the previous
// component's hint. How one component takes its entries is the subclass's
// ApplyComponentTexts; this class walks the table and reads entries.
//
// Messages and questions go through TMultiLangPrompts; a refused change
// leaves everything as it was and the setter returns false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/component_tree.h"

namespace norvane {

// The language every window shows when it has been loaded: 0 English (this
// edition), 1 German.
inline uint8_t StartLanguage = 0;

// "0"/"en"/"english" and "1"/"de"/"german" (letter case ignored); nothing else.
std::optional<uint8_t> LanguageFromName(std::string_view name);

enum class TSwitchPositions { spNone, spControlsOnly, spFormAndControls };

inline constexpr char kFormMarker[] = "%Form%";
inline constexpr char kContinueMarker[] = "\"";
inline constexpr char kHintMarker[] = "\".Hint";

inline constexpr char kLanguageTooHigh[] = "Value must not be higher than\rnumber of available languages.";
inline constexpr char kNeedOneLanguage[] = "You have to provide at least 1 language.";
inline constexpr char kDropActiveLanguageQuestion[] =
    "You are decreasing the number of languages.\rEntries for the removed language will be lost.\r"
    "The currently displayed language will be deleted, too.\r\rDo you really want to continue?";
inline constexpr char kDropLanguageQuestion[] =
    "You are decreasing the number of languages.\rEntries for the removed language will be "
    "lost.\r\rContinue?";
inline constexpr char kDropPositionsQuestion[] =
    "You are going to drop the positions.\rCurrently different values are stored for each language,\r"
    "Do you want to drop these values?";
inline constexpr char kDropFormPositionsQuestion[] =
    "You are going to drop the positions for the form.\rCurrently different values are stored for each "
    "language.\rDo you want to drop these values?";
inline constexpr char kCancelled[] = "Cancelled.";

class TMultiLangPrompts {
 public:
  virtual ~TMultiLangPrompts() = default;
  virtual void ShowMessage(const std::string& text) = 0;
  // Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
};

// The component's stored properties, as a window's design holds them.
struct TMultiLangDesign {
  uint8_t Languages = 2;
  uint8_t ActiveLanguage = 0;
  uint8_t DefaultLanguage = 0;
  bool DefaultEnabled = false;
  TSwitchPositions SwitchPositions = TSwitchPositions::spNone;
  std::vector<std::string> Words;
  std::vector<std::string> DoNot;
  std::vector<std::string> Positions;
  std::vector<std::string> CharSets;
};

class TBaseMultiLang {
 public:
  // AllowIt arrives true; setting it false keeps the present language.
  using TBeforeLanguageChange =
      std::function<void(TBaseMultiLang& sender, uint8_t newLanguage, bool& allowIt)>;
  using TAfterLanguageChanged = std::function<void(TBaseMultiLang& sender, uint8_t newLanguage)>;

  // Works on `owner` and the components it owns; `prompts` may be null
  // (messages are then dropped and questions answered No).
  TBaseMultiLang(TComponentTree& owner, TMultiLangPrompts* prompts);
  virtual ~TBaseMultiLang() = default;
  TBaseMultiLang(const TBaseMultiLang&) = delete;
  TBaseMultiLang& operator=(const TBaseMultiLang&) = delete;

  // The window has been read from its design: the stored properties are set
  // in the order Languages, ActiveLanguage, Words, DoNot, SwitchPositions,
  // Positions, CharSets (a stored ActiveLanguage is applied there, against
  // a still empty table), then `startLanguage` is applied to the whole table.
  void Load(const TMultiLangDesign& design, uint8_t startLanguage = StartLanguage);

  uint8_t Languages() const { return languages_; }
  uint8_t ActiveLanguage() const { return activeLanguage_; }
  uint8_t DefaultLanguage() const { return defaultLanguage_; }
  bool DefaultEnabled() const { return defaultEnabled_; }
  TSwitchPositions SwitchPositions() const { return switchPositions_; }
  const std::vector<std::string>& Words() const { return words_; }
  const std::vector<std::string>& DoNot() const { return doNot_; }
  const std::vector<std::string>& Positions() const { return positions_; }
  const std::vector<std::string>& CharSets() const { return charSets_; }

  // Applies language `language` to the window (see the .cpp for the steps).
  bool SetActiveLanguage(uint8_t language);
  // Reshapes every entry: "?" for each added language, the last text lines
  // dropped for each removed one (after asking; the active language falls
  // back to 0 when it goes).
  bool SetLanguages(uint8_t languages);
  bool SetDefaultLanguage(uint8_t language);
  void SetDefaultEnabled(bool enabled);
  // Switching to spNone drops every position line, from spFormAndControls to
  // spControlsOnly the window's own; lines with different values per
  // language are dropped only after asking.
  bool SetSwitchPositions(TSwitchPositions mode);
  void SetWords(std::vector<std::string> lines) { words_ = std::move(lines); }
  void SetDoNot(std::vector<std::string> lines) { doNot_ = std::move(lines); }
  void SetPositions(std::vector<std::string> lines) { positions_ = std::move(lines); }
  void SetCharSets(std::vector<std::string> lines) { charSets_ = std::move(lines); }

  TBeforeLanguageChange BeforeLanguageChange;
  TAfterLanguageChanged AfterLanguageChanged;

 protected:
  // Applies the entries of `component`, `position` at its own entry; moves
  // `position` past every entry used. May throw: the walk then skips the
  // component's first entry and goes on.
  virtual void ApplyComponentTexts(TUiComponent& component, std::size_t& position) = 0;

  std::size_t EntrySize() const { return static_cast<std::size_t>(languages_) + 1; }
  // The text of the entry at `position` in the active language (or the
  // default language's when that is empty and DefaultEnabled); moves past the
  // entry. Nothing, and no move, when the active language's line lies beyond
  // the end of the table.
  std::optional<std::string> TakeText(std::size_t& position) const;
  bool IsContinuation(std::size_t position) const;
  bool IsHint(std::size_t position) const;
  // Puts back the position stored for the active language, unless positions
  // do not switch. Throws TPositionError on a stored field that is no number.
  void RestorePosition(TUiComponent& component) const;

  TComponentTree& owner_;

 private:
  bool EntryInside(std::size_t position) const { return position + languages_ < words_.size(); }
  void RememberFont();
  void ApplyFont();
  void RememberPositions();
  void RestoreFormPosition();
  void Walk();
  void Reshape(uint8_t languages);
  void Tell(const std::string& text) const;
  bool Ask(const std::string& text) const;

  TMultiLangPrompts* prompts_;
  bool loading_ = false;
  uint8_t languages_ = 2;
  uint8_t activeLanguage_ = 0;
  uint8_t defaultLanguage_ = 0;
  bool defaultEnabled_ = false;
  TSwitchPositions switchPositions_ = TSwitchPositions::spNone;
  std::vector<std::string> words_;
  std::vector<std::string> doNot_;
  std::vector<std::string> positions_;
  std::vector<std::string> charSets_;
};

}  // namespace norvane
