// The main window's commands as data: each action's caption (with "&" before
// the accelerator letter), hint, shortcut, enabled state and the rule the
// window recomputes that state by. Menus and toolbar buttons of the view
// follow these; handlers live on the objects that own them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norvane {

// What an action's enabled state follows. kOwn leaves it to the action's
// owner (the Tools menu opening, ...); the others are recomputed by
// TMainWindow whenever a run starts or ends or the selected row changes.
enum class TEnableRule {
  kOwn,
  kIdle,             // off during a run
  kRunning,          // on only during a run
  kRowSelected,      // a recipient row is selected
  kRowSelectedIdle,  // a row is selected and no run is under way
};

struct TAction {
  TAction(std::string name, std::string caption, std::string hint, std::string shortCut = "",
          bool enabled = true, TEnableRule rule = TEnableRule::kOwn)
      : Name(std::move(name)),
        Caption(std::move(caption)),
        Hint(std::move(hint)),
        ShortCut(std::move(shortCut)),
        Enabled(enabled),
        Rule(rule) {}

  std::string Name;
  std::string Caption;
  std::string Hint;
  std::string ShortCut;  // "F9", "Ctrl+A", ... or empty
  bool Enabled;
  TEnableRule Rule;
};

inline constexpr TEnableRule kIdle = TEnableRule::kIdle;
inline constexpr TEnableRule kRunning = TEnableRule::kRunning;
inline constexpr TEnableRule kRowSelected = TEnableRule::kRowSelected;
inline constexpr TEnableRule kRowSelectedIdle = TEnableRule::kRowSelectedIdle;

struct TMainActions {
  // File
  TAction acNew{"acNew", "&New", "New project", "", true, kIdle};
  TAction acOpen{"acOpen", "&Open...", "Open project", "", true, kIdle};
  TAction acSave{"acSave", "&Save", "Save project"};
  TAction acSaveAs{"acSaveAs", "Save &As...", "Save project as"};
  TAction acImportMessage{
      "acImportMessage", "I&mport Message...", "Import message from a text file", "", true, kIdle};
  TAction acPreview{"acPreview", "&Preview...", "", "F9", false, kRowSelected};
  TAction acStart{"acStart", "S&end", "Start sending e-mails", "", true, kIdle};
  TAction acAbort{"acAbort", "S&top", "Stop sending e-mails", "", false, kRunning};
  // Recipients
  TAction acRecipientAdd{"acRecipientAdd", "&New...", "New Recipient", "", true, kIdle};
  TAction acRecipientEdit{"acRecipientEdit", "&Properties...", "Edit recipient", "", false, kRowSelectedIdle};
  TAction acRecipientDelete{"acRecipientDelete", "&Delete...", "Delete recipient", "", false,
                            kRowSelectedIdle};
  TAction acRecipientDeleteSelected{"acRecipientDeleteSelected",
                                    "D&elete All Checked...",
                                    "Delete all checked recipients",
                                    "",
                                    true,
                                    kIdle};
  // The two bulk-check actions carry each other's captions; the menu entries
  // that run them show their own (see main_menus.h).
  TAction acCheckAll{"acCheckAll", "&Uncheck All", "Uncheck all recipients", "Ctrl+A", true, kIdle};
  TAction acUnCheckAll{"acUnCheckAll", "&Check All", "Check all recipients", "", true, kIdle};
  TAction acInvertSelection{
      "acInvertSelection", "&Invert Selection", "Invert selection", "Ctrl+I", true, kIdle};
  TAction acCheck{"acCheck", "&Check / Uncheck", "Check or uncheck recipient", "", false, kRowSelected};
  // Search
  TAction acFind{"acFind", "&Find...", "Find in the recipient list", "", false, kRowSelected};
  TAction acFindNext{"acFindNext", "Find &Next", "", "F3", false, kRowSelected};
  // Insert, Tools, Help
  TAction acInsertAttachment{"acInsertAttachment", "&Attachment...", "", "", true, kIdle};
  TAction acOptions{"acOptions", "&Options...", "Open Options dialog box", "", true, kIdle};
  TAction acSpellChecker{"acSpellChecker", "&Spell Checker...", "", "F7"};
  TAction acImportRecipient{"acImportRecipient", "&Import Recipient List...", "", "", true, kIdle};
  TAction acWizard{"acWizard", "&Mailing Wizard...", "", "", true, kIdle};
  TAction acGettingStarted{"acGettingStarted", "&Getting Started...", "", "", true, kIdle};
  TAction acThesaurus{"acThesaurus", "&Thesaurus...", "", "Shift+F7"};
  TAction acContent{"acContent", "&Contents...", "Help contents"};
  TAction acTipOfThDay{"acTipOfThDay", "&Tip of The Day...", ""};
  TAction acHomePage{"acHomePage", "&Kalvento Software Home Page...", ""};
  TAction acAbout{"acAbout", "&About Norvane....", "About Norvane"};

  // Every action above, in declaration order. An action added above must be
  // added here too, or its rule is never applied (a test compares sizes).
  std::vector<TAction*> All() {
    return {&acNew,
            &acOpen,
            &acSave,
            &acSaveAs,
            &acImportMessage,
            &acPreview,
            &acStart,
            &acAbort,
            &acRecipientAdd,
            &acRecipientEdit,
            &acRecipientDelete,
            &acRecipientDeleteSelected,
            &acCheckAll,
            &acUnCheckAll,
            &acInvertSelection,
            &acCheck,
            &acFind,
            &acFindNext,
            &acInsertAttachment,
            &acOptions,
            &acSpellChecker,
            &acImportRecipient,
            &acWizard,
            &acGettingStarted,
            &acThesaurus,
            &acContent,
            &acTipOfThDay,
            &acHomePage,
            &acAbout};
  }
  // The action called `name`, or null.
  TAction* Find(std::string_view name) {
    for (TAction* action : All())
      if (action->Name == name) return action;
    return nullptr;
  }
};

}  // namespace norvane
