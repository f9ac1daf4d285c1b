// The main window's commands as data: each action's caption (with "&" before
// the accelerator letter), hint, shortcut and enabled state. Menus and toolbar
// buttons of the view follow these; handlers live on the objects that own them.
#pragma once

#include <string>
#include <utility>

namespace norvane {

struct TAction {
  TAction(std::string name, std::string caption, std::string hint, std::string shortCut = "",
          bool enabled = true)
      : Name(std::move(name)),
        Caption(std::move(caption)),
        Hint(std::move(hint)),
        ShortCut(std::move(shortCut)),
        Enabled(enabled) {}

  std::string Name;
  std::string Caption;
  std::string Hint;
  std::string ShortCut;  // "F9", "Ctrl+A", ... or empty
  bool Enabled;
};

struct TMainActions {
  // File
  TAction acNew{"acNew", "&New", "New project"};
  TAction acOpen{"acOpen", "&Open...", "Open project"};
  TAction acSave{"acSave", "&Save", "Save project"};
  TAction acSaveAs{"acSaveAs", "Save &As...", "Save project as"};
  TAction acImportMessage{"acImportMessage", "I&mport Message...", ""};
  TAction acPreview{"acPreview", "&Preview...", "", "F9", false};
  TAction acStart{"acStart", "S&end", "Start sending e-mails"};
  TAction acAbort{"acAbort", "S&top", "Stop sending e-mails", "", false};
  // Recipients
  TAction acRecipientAdd{"acRecipientAdd", "&New...", "New Recipient"};
  TAction acRecipientEdit{"acRecipientEdit", "&Properties...", "Edit recipient", "", false};
  TAction acRecipientDelete{"acRecipientDelete", "&Delete...", "Delete recipient", "", false};
  TAction acRecipientDeleteSelected{"acRecipientDeleteSelected", "D&elete All Checked...",
                                    "Delete all checked recipients"};
  // The two bulk-check actions carry each other's captions; the menu entries
  // that run them show their own.
  TAction acCheckAll{"acCheckAll", "&Uncheck All", "Uncheck all recipients", "Ctrl+A"};
  TAction acUnCheckAll{"acUnCheckAll", "&Check All", "Check all recipients"};
  TAction acInvertSelection{"acInvertSelection", "&Invert Selection", "Invert selection", "Ctrl+I"};
  TAction acCheck{"acCheck", "&Check / Uncheck", "Check or uncheck recipient", "", false};
  // Search
  TAction acFind{"acFind", "&Find...", "Find in the recipient list", "", false};
  TAction acFindNext{"acFindNext", "Find &Next", "", "F3", false};
  // Insert, Tools, Help
  TAction acInsertAttachment{"acInsertAttachment", "&Attachment...", ""};
  TAction acOptions{"acOptions", "&Options...", "Open Options dialog box"};
  TAction acSpellChecker{"acSpellChecker", "&Spell Checker...", "", "F7"};
  TAction acImportRecipient{"acImportRecipient", "&Import Recipient List...", ""};
  TAction acWizard{"acWizard", "&Mailing Wizard...", ""};
  TAction acGettingStarted{"acGettingStarted", "&Getting Started...", ""};
  TAction acThesaurus{"acThesaurus", "&Thesaurus...", "", "Shift+F7"};
  TAction acContent{"acContent", "&Contents...", "Help contents"};
  TAction acTipOfThDay{"acTipOfThDay", "&Tip of The Day...", ""};
  TAction acHomePage{"acHomePage", "&Kalvento Software Home Page...", ""};
  TAction acAbout{"acAbout", "&About Norvane....", "About Norvane"};
};

}  // namespace norvane
