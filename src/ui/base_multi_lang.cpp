#include "ui/base_multi_lang.h"

#include <algorithm>
#include <charconv>
#include <new>

#include "platform/codepage.h"
#include "ui/language_positions.h"

namespace norvane {

namespace {

bool IsFormLine(const std::string& line) {
  std::string_view key = kFormPositionKey;
  return line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == ',';
}

}  // namespace

std::optional<uint8_t> LanguageFromName(std::string_view name) {
  for (std::string_view english : {"0", "en", "english"})
    if (AnsiEqualsIgnoreCase(name, english)) return 0;
  for (std::string_view german : {"1", "de", "german"})
    if (AnsiEqualsIgnoreCase(name, german)) return 1;
  return std::nullopt;
}

TBaseMultiLang::TBaseMultiLang(TComponentTree& owner, TMultiLangPrompts* prompts)
    : owner_(owner), prompts_(prompts) {}

void TBaseMultiLang::Load(const TMultiLangDesign& design, uint8_t startLanguage) {
  struct Loading {
    bool& flag;
    explicit Loading(bool& f) : flag(f) { flag = true; }
    ~Loading() { flag = false; }
  };
  {
    Loading loading(loading_);
    SetLanguages(design.Languages);
    // A design stores only values that differ from the defaults.
    if (design.ActiveLanguage != 0) SetActiveLanguage(design.ActiveLanguage);
    defaultLanguage_ = design.DefaultLanguage;
    defaultEnabled_ = design.DefaultEnabled;
    // A design holds no empty list, so an empty one changes nothing here.
    if (!design.Words.empty()) SetWords(design.Words);
    if (!design.DoNot.empty()) SetDoNot(design.DoNot);
    SetSwitchPositions(design.SwitchPositions);
    if (!design.Positions.empty()) SetPositions(design.Positions);
    if (!design.CharSets.empty()) SetCharSets(design.CharSets);
  }
  SetActiveLanguage(startLanguage);
}

// Applying a language: remember what the present language shows (font and,
// when positions switch, the positions), switch, put back the new
// language's font and window position, then walk the table.
bool TBaseMultiLang::SetActiveLanguage(uint8_t language) {
  if (language >= languages_) {
    Tell(kLanguageTooHigh);
    return false;
  }
  bool allowIt = true;
  if (BeforeLanguageChange) BeforeLanguageChange(*this, language, allowIt);
  if (!allowIt) return false;

  RememberFont();
  if (switchPositions_ != TSwitchPositions::spNone) RememberPositions();
  activeLanguage_ = language;
  ApplyFont();
  if (switchPositions_ == TSwitchPositions::spFormAndControls) RestoreFormPosition();
  Walk();

  if (AfterLanguageChanged) AfterLanguageChanged(*this, language);
  return true;
}

bool TBaseMultiLang::SetLanguages(uint8_t languages) {
  if (!loading_) {
    if (languages == 0) {
      Tell(kNeedOneLanguage);
      return false;
    }
    if (languages < languages_) {
      bool activeGoes = activeLanguage_ >= languages;
      if (!Ask(activeGoes ? kDropActiveLanguageQuestion : kDropLanguageQuestion)) return false;
      if (activeGoes && !SetActiveLanguage(0)) return false;
    }
  }
  Reshape(languages);
  languages_ = languages;
  return true;
}

bool TBaseMultiLang::SetDefaultLanguage(uint8_t language) {
  if (language >= languages_) {
    Tell(kLanguageTooHigh);
    return false;
  }
  defaultLanguage_ = language;
  if (!loading_) SetActiveLanguage(activeLanguage_);
  return true;
}

void TBaseMultiLang::SetDefaultEnabled(bool enabled) {
  defaultEnabled_ = enabled;
  if (!loading_) SetActiveLanguage(activeLanguage_);
}

bool TBaseMultiLang::SetSwitchPositions(TSwitchPositions mode) {
  if (!loading_ && mode != switchPositions_) {
    if (mode == TSwitchPositions::spNone) {
      if (std::any_of(positions_.begin(), positions_.end(), PositionFieldsDiffer) &&
          !Ask(kDropPositionsQuestion)) {
        Tell(kCancelled);
        return false;
      }
      positions_.clear();
    } else if (switchPositions_ == TSwitchPositions::spFormAndControls &&
               mode == TSwitchPositions::spControlsOnly) {
      bool differ = std::any_of(positions_.begin(), positions_.end(), [](const std::string& line) {
        return IsFormLine(line) && PositionFieldsDiffer(line);
      });
      if (differ && !Ask(kDropFormPositionsQuestion)) {
        Tell(kCancelled);
        return false;
      }
      std::erase_if(positions_, IsFormLine);
    }
  }
  switchPositions_ = mode;
  return true;
}

std::optional<std::string> TBaseMultiLang::TakeText(std::size_t& position) const {
  std::size_t line = position + 1 + activeLanguage_;
  if (line >= words_.size()) return std::nullopt;
  std::string text = words_[line];
  if (text.empty() && defaultEnabled_ && defaultLanguage_ < languages_) {
    std::size_t fallback = position + 1 + defaultLanguage_;
    if (fallback < words_.size()) text = words_[fallback];
  }
  position += EntrySize();
  return text;
}

bool TBaseMultiLang::IsContinuation(std::size_t position) const {
  return position < words_.size() && words_[position] == kContinueMarker;
}

bool TBaseMultiLang::IsHint(std::size_t position) const {
  return position < words_.size() && AnsiEqualsIgnoreCase(words_[position], kHintMarker);
}

void TBaseMultiLang::RestorePosition(TUiComponent& component) const {
  if (switchPositions_ == TSwitchPositions::spNone) return;
  if (auto field = FindPositionField(positions_, PositionKey(component), activeLanguage_))
    ApplyPositionField(component, *field);
}

// The window's font is kept per language as "font name,character set".
void TBaseMultiLang::RememberFont() {
  std::string value = owner_.FontName + "," + std::to_string(owner_.FontCharset);
  while (charSets_.size() < languages_) charSets_.push_back(value);
  if (activeLanguage_ < charSets_.size()) charSets_[activeLanguage_] = value;
}

void TBaseMultiLang::ApplyFont() {
  if (activeLanguage_ >= charSets_.size()) return;
  std::string_view line = charSets_[activeLanguage_];
  std::size_t comma = line.find(',');
  owner_.FontName = std::string(line.substr(0, comma));
  if (comma == std::string_view::npos) return;
  std::string_view number = line.substr(comma + 1);
  int charset = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), charset);
  // A number that does not parse leaves the character set as it was.
  if (error == std::errc() && end == number.data() + number.size()) owner_.FontCharset = charset;
}

void TBaseMultiLang::RememberPositions() {
  if (switchPositions_ == TSwitchPositions::spFormAndControls)
    if (auto field = PositionField(owner_.Form))
      StorePositionField(positions_, kFormPositionKey, *field, activeLanguage_, languages_);
  for (const TUiComponent& component : owner_.Components())
    if (auto field = PositionField(component))
      StorePositionField(positions_, PositionKey(component), *field, activeLanguage_, languages_);
}

void TBaseMultiLang::RestoreFormPosition() {
  if (auto field = FindPositionField(positions_, kFormPositionKey, activeLanguage_)) {
    try {
      ApplyPositionField(owner_.Form, *field);
    } catch (const TPositionError&) {
      // Confined like a control's: the window keeps its position.
    }
  }
}

void TBaseMultiLang::Walk() {
  std::size_t position = 0;
  while (EntryInside(position)) {
    const std::string& marker = words_[position];
    if (marker == kFormMarker) {
      std::size_t entry = position;
      if (auto text = TakeText(position)) owner_.Form.Caption = *text;
      position = entry + EntrySize();
      continue;
    }
    TUiComponent* component = owner_.Find(marker);
    if (!component) {
      position += EntrySize();  // a name no component bears, or a stray continuation
      continue;
    }
    std::size_t start = position;
    try {
      ApplyComponentTexts(*component, position);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const std::exception&) {
      position = start + EntrySize();
      continue;
    }
    if (position == start) position += EntrySize();
  }
}

// Each entry keeps its marker and gains a "?" per added language or loses
// its last text lines per removed one. An incomplete last entry is only ever
// cut, so it cannot grow into a line that would be read as a marker.
void TBaseMultiLang::Reshape(uint8_t languages) {
  if (languages == languages_) return;
  std::vector<std::string> reshaped;
  for (std::size_t start = 0; start < words_.size(); start += EntrySize()) {
    std::size_t end = std::min(words_.size(), start + EntrySize());
    std::size_t texts = end - start - 1;
    bool complete = texts == languages_;
    std::size_t keep = std::min<std::size_t>(texts, languages);
    reshaped.insert(reshaped.end(), words_.begin() + start, words_.begin() + start + 1 + keep);
    if (complete)
      for (std::size_t i = keep; i < languages; ++i) reshaped.emplace_back("?");
  }
  words_ = std::move(reshaped);
}

void TBaseMultiLang::Tell(const std::string& text) const {
  if (prompts_) prompts_->ShowMessage(text);
}

bool TBaseMultiLang::Ask(const std::string& text) const {
  return prompts_ && prompts_->AskYesNo(text);
}

}  // namespace norvane
