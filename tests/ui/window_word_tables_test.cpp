// The word tables shipped in data/lang, applied in both languages to a tree
// of each window: every entry names a component of the window and fits its
// shape, no designed text is left, and the texts are those of the windows'
// descriptions.
#include <gtest/gtest.h>

#include <map>

#include "platform/codepage.h"
#include "support/temp_dir.h"
#include "ui/language_positions.h"
#include "ui/multi_lang.h"
#include "ui/scripted_prompts.h"
#include "ui/window_trees.h"
#include "ui/word_tables.h"

namespace norvane {
namespace {

using Lines = std::vector<std::string>;
using test::ScriptedPrompts;

const TWordTables& Tables() {
  static const TWordTables tables = [] {
    std::optional<std::string> folder = FindLanguageFolder(LanguageFolderCandidates("", ""));
    if (!folder) throw std::runtime_error("data/lang not found beside the sources");
    return TWordTables::ReadFolder(*folder);
  }();
  return tables;
}

// What a table gives each component in one language: its texts in order and its hint.
struct Given {
  Lines Texts;
  std::optional<std::string> Hint;
};

std::map<std::string, Given> GivenByComponent(const TMultiLangDesign& design, uint8_t language) {
  std::map<std::string, Given> given;
  std::string current;
  const std::size_t size = design.Languages + 1u;
  for (std::size_t p = 0; p + design.Languages < design.Words.size(); p += size) {
    const std::string& marker = design.Words[p];
    const std::string& text = design.Words[p + 1 + language];
    if (marker == kContinueMarker) {
      given[current].Texts.push_back(text);
    } else if (marker == kHintMarker) {
      given[current].Hint = text;
    } else {
      current = marker;
      EXPECT_EQ(given.count(current), 0u) << current << " has two entries";
      given[current].Texts.push_back(text);
    }
  }
  return given;
}

// The component's texts in the order its kind takes entries.
Lines Shown(const TUiComponent& c, std::size_t entries) {
  switch (c.Kind) {
    case TComponentKind::ListBox:
    case TComponentKind::ComboBox:
    case TComponentKind::Memo:
      return c.Items;
    case TComponentKind::RadioGroup: {
      Lines shown{c.Caption};
      shown.insert(shown.end(), c.Items.begin(), c.Items.end());
      return shown;
    }
    case TComponentKind::Notebook:
      return c.Pages;
    case TComponentKind::ListView:
      return c.Columns;
    case TComponentKind::StatusBar: {
      Lines shown{c.Text};
      shown.insert(shown.end(), c.Panels.begin(), c.Panels.begin() + std::min(entries - 1, c.Panels.size()));
      return shown;
    }
    case TComponentKind::OpenDialog:
    case TComponentKind::SaveDialog:
      return {c.Caption, c.Filter};
    case TComponentKind::Edit:
      return {c.Text};
    default:
      return {c.Caption};
  }
}

std::vector<std::string> DesignTextsLeft(const TComponentTree& tree) {
  std::vector<std::string> left;
  auto check = [&](const std::string& where, const std::string& text) {
    if (text.find(test::kDesignText) != std::string::npos) left.push_back(where + ": " + text);
  };
  check("%Form%", tree.Form.Caption);
  for (const TUiComponent& c : tree.Components()) {
    for (const std::string* text : {&c.Caption, &c.Text, &c.Filter, &c.Hint}) check(c.Name, *text);
    for (const Lines* list : {&c.Items, &c.Pages, &c.Columns, &c.Panels})
      for (const std::string& text : *list) check(c.Name, text);
  }
  return left;
}

TEST(WindowWordTables, EveryEntryFitsItsWindowAndNoDesignedTextIsLeftInEitherLanguage) {
  for (const auto& [window, build] : test::WindowTrees()) {
    const TMultiLangDesign& design = Tables().Of(window);
    EXPECT_EQ(design.Languages, 2) << window;
    EXPECT_EQ(design.CharSets, (Lines{"MS Sans Serif,1", "MS Sans Serif,1"})) << window;
    for (uint8_t language : {0, 1}) {
      SCOPED_TRACE(window + " in language " + std::to_string(language));
      TComponentTree tree = build();
      ScriptedPrompts prompts;
      TMultiLang multiLang(tree, &prompts);
      multiLang.Load(design, language);
      EXPECT_TRUE(prompts.messages.empty());
      EXPECT_EQ(DesignTextsLeft(tree), Lines{});

      for (const auto& [marker, given] : GivenByComponent(design, language)) {
        if (marker == kFormMarker) {
          EXPECT_EQ(given.Texts, Lines{tree.Form.Caption});
          continue;
        }
        const TUiComponent* c = tree.Find(marker);
        ASSERT_NE(c, nullptr) << marker << " names no component of the window";
        EXPECT_EQ(Shown(*c, given.Texts.size()), given.Texts) << marker;
        if (given.Hint) {
          EXPECT_EQ(c->Hint, *given.Hint) << marker;
        }
      }
    }
  }
}

enum class Field { Caption, Text, Hint, Filter, Item, Page, Column };

struct Expected {
  const char* Window;
  const char* Component;  // "%Form%" for the window's caption
  Field What;
  int Index;
  const char* English;
  const char* German;  // null where the window's description gives none
};

std::string Read(const TComponentTree& tree, const Expected& e) {
  if (std::string(e.Component) == kFormMarker) return tree.Form.Caption;
  const TUiComponent* c = tree.Find(e.Component);
  if (!c) return "(no component)";
  auto at = [&](const Lines& list) {
    return e.Index < static_cast<int>(list.size()) ? list[e.Index] : "(none)";
  };
  switch (e.What) {
    case Field::Caption:
      return c->Caption;
    case Field::Text:
      return c->Text;
    case Field::Hint:
      return c->Hint;
    case Field::Filter:
      return c->Filter;
    case Field::Item:
      return at(c->Items);
    case Field::Page:
      return at(c->Pages);
    case Field::Column:
      return at(c->Columns);
  }
  return {};
}

// Texts as the windows' descriptions give them (German in Windows-1252).
const Expected kExpected[] = {
    {"main_form", "StatusBar1", Field::Text, 0, "Norvane", "Vintrella"},
    {"main_form", "Panel1", Field::Caption, 0, "Norvane", "Vintrella"},
    {"main_form", "Panel2", Field::Caption, 0, "Norvane", "Vintrella"},
    {"main_form", "edTo", Field::Text, 0, "Norvane", "Vintrella"},
    {"main_form", "edSubject", Field::Text, 0, "Norvane", "Vintrella"},
    {"main_form", "edTo", Field::Hint, 0, "Click here to type the recipient ", nullptr},
    {"main_form", "edSubject", Field::Hint, 0, "Click here to type the subject ", nullptr},
    {"main_form", "Memo1", Field::Item, 0, "", ""},
    {"main_form", "Memo1", Field::Hint, 0, "Click here to type the message ", nullptr},
    {"main_form", "%Form%", Field::Caption, 0, "", ""},  // kept out of the table
    {"main_form", "cbContentType", Field::Item, 0, "Text", "Text"},
    {"main_form", "cbContentType", Field::Item, 1, "HTML", "HTML"},
    {"main_form", "cbContentType", Field::Hint, 0, "Content type", "Art des Inhalts"},
    {"main_form", "ListView1", Field::Column, 0, "E-mail", "E-Mail"},
    {"main_form", "ListView1", Field::Column, 1, "Result", "Ergebnis"},
    {"main_form", "lvAttachments", Field::Column, 0, "Filename", "Datei-Name"},
    {"main_form", "lvAttachments", Field::Column, 1, "Path", "Pfad"},
    {"main_form", "acUnCheckAll", Field::Caption, 0, "&Check All", "&Alle w\xE4hlen"},
    {"main_form", "acCheckAll", Field::Caption, 0, "&Uncheck All", "Alle abw\xE4hlen"},
    {"main_form", "acUnCheckAll", Field::Hint, 0, "Check all recipients", nullptr},
    {"main_form", "UncheckAll1", Field::Caption, 0, "&Check All", nullptr},
    {"main_form", "UncheckAll2", Field::Caption, 0, "&Uncheck All", nullptr},
    {"main_form", "UncheckAll2", Field::Hint, 0, "Uncheck all recipients", nullptr},
    {"main_form", "acAbout", Field::Caption, 0, "&About Norvane....",
     "&\xDC"
     "ber Vintrella...."},
    {"main_form", "About1", Field::Caption, 0, "&About Norvane....",
     "&\xDC"
     "ber Vintrella...."},
    {"main_form", "acHomePage", Field::Caption, 0, "&Kalvento Software Home Page...",
     "&Vintrella Homepage..."},
    {"main_form", "KalventoSoftwareHomePage1", Field::Caption, 0, "&Kalvento Software Home Page...",
     "&Vintrella Homepage..."},
    {"main_form", "acStart", Field::Caption, 0, "S&end", nullptr},
    {"main_form", "acStart", Field::Hint, 0, "Start sending e-mails", nullptr},
    {"main_form", "acAbort", Field::Hint, 0, "Stop sending e-mails", nullptr},
    {"main_form", "acNew", Field::Hint, 0, "New project", nullptr},
    {"main_form", "acSaveAs", Field::Caption, 0, "Save &As...", nullptr},
    {"main_form", "acOptions", Field::Hint, 0, "Open Options dialog box", nullptr},
    {"main_form", "acRecipientAdd", Field::Hint, 0, "New Recipient", nullptr},
    {"main_form", "acRecipientDeleteSelected", Field::Caption, 0, "D&elete All Checked...", nullptr},
    {"main_form", "acImportMessage", Field::Hint, 0, "Import message from a text file", nullptr},
    {"main_form", "acCheck", Field::Caption, 0, "&Check / Uncheck", nullptr},
    {"main_form", "acFindNext", Field::Caption, 0, "Find &Next", nullptr},
    {"main_form", "Thesaurus1", Field::Caption, 0, "&Thesaurus...", nullptr},
    {"main_form", "Exit1", Field::Caption, 0, "E&xit", nullptr},
    {"main_form", "OpenProjectDlg", Field::Caption, 0, "Norvane", "Vintrella"},
    {"main_form", "SaveProjectDlg", Field::Filter, 0, "Norvane", "Vintrella"},
    {"main_form", "ImportMessageDialog", Field::Caption, 0, "Import Message", "Import Nachricht"},
    {"main_form", "ImportMessageDialog", Field::Filter, 0, "Text files (*.txt)|*.txt|All files (*.*)|*.*",
     "Text-Dateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*"},
    {"main_form", "ImportRecipientDialog", Field::Caption, 0, "Open Recipient List",
     "\xD6"
     "ffnen Empf\xE4nger-Datei"},
    {"main_form", "ImportRecipientDialog", Field::Filter, 0,
     "Text files (*.txt)|*.txt|Comma Separated Values (*.csv)|*.csv|dBase tables (*.dbf)|*.dbf",
     "Text-Dateien (*.txt)|*.txt|Komma getrennte Werte (*.csv)|*.csv|dBase Dateien (*.dbf)|*.dbf"},
    {"main_form", "InsertAttachDialog", Field::Caption, 0, "Insert Attachment", "Anlage anf\xFCgen"},
    {"main_form", "InsertAttachDialog", Field::Filter, 0, "All files (*.*)|*.*", "Alle Dateien (*.*)|*.*"},
    {"main_form", "Insert1", Field::Caption, 0, "&Insert", "&Einf\xFCgen"},
    {"main_form", "Attachment1", Field::Caption, 0, "&Attachment...", "&Anlage..."},
    {"main_form", "Field1", Field::Caption, 0, "&Field", "&Feld"},
    {"main_form", "Attachment2", Field::Caption, 0, "&Insert...", "&Einf\xFCgen..."},
    {"main_form", "Delete3", Field::Caption, 0, "&Delete", "&L\xF6schen"},
    {"main_form", "Icon1", Field::Caption, 0, "I&con", "I&kone"},
    {"main_form", "SmallIcon1", Field::Caption, 0, "&Small Icon", "&Kleine Ikone"},
    {"main_form", "List1", Field::Caption, 0, "&List", "&Liste"},
    {"main_form", "Report1", Field::Caption, 0, "&Report", "&Bericht"},

    {"form_options", "%Form%", Field::Caption, 0, "Options", "Optionen"},
    {"form_options", "TabSheet1", Field::Caption, 0, "Connection", "Verbindungen"},
    {"form_options", "Label3", Field::Caption, 0, "&Connections:", "&Verbindungen:"},
    {"form_options", "Label6", Field::Caption, 0, "Time&out:", "Time&out:"},
    {"form_options", "Label2", Field::Caption, 0, "&From:", "&Von:"},
    {"form_options", "TabSheet2", Field::Caption, 0, "DNS", "DNS"},
    {"form_options", "Label4", Field::Caption, 0, "&Primary DNS:", "&Prim\xE4re DNS:"},
    {"form_options", "Label5", Field::Caption, 0, "&Secondary DNS:", "&Sekund\xE4re DNS:"},
    {"form_options", "Label1", Field::Caption, 0, "&Host name:", "&Host-Name:"},
    {"form_options", "rbHostFromDomain", Field::Caption, 0, "Host name is the &domain of your FROM field",
     "Host-Name ist die &Dom\xE4ne Ihres VON Feldes"},
    {"form_options", "edSpecifyHost", Field::Caption, 0, "Sp&ecify a host name",
     "&Eingabe eines Host-Namens"},
    {"form_options", "btConfigure", Field::Caption, 0, "Spell Checker",
     "Rechtschreibpr\xFC"
     "fung"},
    {"form_options", "cbRunSpellChecker", Field::Caption, 0, "&Run spell checker before sending ",
     "&Rechtschreibpr\xFC"
     "fung vor dem Senden ausf\xFChren "},
    {"form_options", "Button3", Field::Caption, 0, "&Configuration...", "&Konfiguration..."},
    {"form_options", "lbGateway", Field::Caption, 0, "&Relay host:", "Relay-&Host:"},
    {"form_options", "lbGatewayPort", Field::Caption, 0, "Relay &port:", "Relay-Po&rt:"},
    {"form_options", "cbMxPreferenceOrder", Field::Caption, 0, "Try mail exchangers in &preference order",
     "Mail-Exchanger in der Reihenfolge ihrer &Pr\xE4"
     "ferenz versuchen"},
    {"form_options", "cbReuseSessions", Field::Caption, 0, "Re&use a connection for further messages",
     "Verbindung f\xFC"
     "r weitere Nachrichten &wiederverwenden"},
    {"form_options", "lbMessagesPerSession", Field::Caption, 0,
     "&Messages per connection:", "&Nachrichten je Verbindung:"},
    {"form_options", "lbDomainConnections", Field::Caption, 0, "Connections per &domain:",
     "Verbindungen je &Dom\xE4"
     "ne:"},
    {"form_options", "lbDomainPace", Field::Caption, 0, "Messages per minute per domai&n:",
     "Nachrichten pro &Minute je Dom\xE4"
     "ne:"},
    {"form_options", "cbCacheAnswers", Field::Caption, 0, "&Keep DNS answers during a run",
     "DNS-Antworten w\xE4"
     "hrend eines Laufs &behalten"},
    {"form_options", "tsSecurity", Field::Caption, 0, "Security", "Sicherheit"},
    {"form_options", "lbGatewayTls", Field::Caption, 0, "TLS to the &relay:", "TLS zum &Relay:"},
    {"form_options", "lbDirectTls", Field::Caption, 0,
     "TLS to mail &exchangers:", "TLS zu den Mail-&Exchangern:"},
    {"form_options", "lbCaFile", Field::Caption, 0, "&Trusted authorities (PEM file):",
     "&Vertrauensw\xFC"
     "rdige Stellen (PEM-Datei):"},
    {"form_options", "lbUser", Field::Caption, 0, "Relay &user name:", "Relay-&Benutzername:"},
    {"form_options", "lbPassword", Field::Caption, 0, "Relay pass&word:", "Relay-Pass&wort:"},
    {"form_options", "tsMessage", Field::Caption, 0, "Message", "Nachricht"},
    {"form_options", "cbMimeEncoding", Field::Caption, 0, "&MIME encoding", "&MIME-Kodierung"},
    {"form_options", "lbListUnsubscribe", Field::Caption, 0, "&List-Unsubscribe:", "&List-Unsubscribe:"},
    {"form_options", "tsDkim", Field::Caption, 0, "DKIM", "DKIM"},
    {"form_options", "lbDkimDomain", Field::Caption, 0, "Signing &domain:",
     "Signierende &Dom\xE4"
     "ne:"},
    {"form_options", "lbDkimSelector", Field::Caption, 0, "&Selector:", "&Selektor:"},
    {"form_options", "lbDkimKeyFile", Field::Caption, 0, "Private &key file:",
     "&Privater Schl\xFC"
     "ssel (Datei):"},
    {"form_options", "tsDelivery", Field::Caption, 0, "Delivery", "Zustellung"},
    {"form_options", "lbRetries", Field::Caption, 0, "&Retries of a temporary failure:",
     "&Wiederholungen nach einem vor\xFC"
     "bergehenden Fehler:"},
    {"form_options", "lbRetryDelay", Field::Caption, 0,
     "Seconds &between retries:", "&Sekunden zwischen Wiederholungen:"},
    {"form_options", "Button1", Field::Caption, 0, "OK", "OK"},
    {"form_options", "Button2", Field::Caption, 0, "Cancel", "Abbruch"},

    {"form_properties", "Button1", Field::Caption, 0, "OK", "OK"},
    {"form_properties", "Button2", Field::Caption, 0, "Cancel", "Abbruch"},
    {"form_preview", "%Form%", Field::Caption, 0, "Preview Message", "Preview Message"},
    {"about_box", "OKButton", Field::Caption, 0, "OK", "OK"},
    {"about_box", "%Form%", Field::Caption, 0, "About Norvane", "About Norvane"},

    {"import_dialog", "%Form%", Field::Caption, 0, "Import Recipient List", "Import Empf\xE4nger-Datei"},
    {"import_dialog", "Label1", Field::Caption, 0, "Which column contains the &e-mail address?",
     "Welche Spalte enth\xE4lt die &E-Mail Adresse?"},
    {"import_dialog", "Label3", Field::Caption, 0, "Filename:", "Dateiname:"},
    {"import_dialog", "lbFilename", Field::Caption, 0, "lbFilename", "lbFilename"},
    {"import_dialog", "lbKind", Field::Caption, 0, "Kind", "Typ"},
    {"import_dialog", "Label4", Field::Caption, 0, "File Kind:", "Datei-Typ:"},
    {"import_dialog", "rgFirstLine", Field::Caption, 0, "First Line is:", "Erste Zeile ist:"},
    {"import_dialog", "rgFirstLine", Field::Item, 0, "&Data", "&Daten"},
    {"import_dialog", "rgFirstLine", Field::Item, 1, "&Header",
     "&\xDC"
     "berschrift"},
    {"import_dialog", "btImport", Field::Caption, 0, "&Import", "&Import"},
    {"import_dialog", "btCancel", Field::Caption, 0, "Cancel", "Abbruch"},
    {"import_dialog", "rgMode", Field::Caption, 0, "Mode:", "Mode:"},
    {"import_dialog", "rgMode", Field::Item, 0, "&Append", "&Anh\xE4ngen"},
    {"import_dialog", "rgMode", Field::Item, 1, "&Replace", "&Ersetzen"},

    {"form_wizard", "%Form%", Field::Caption, 0, "Mailing Wizard", "Mail-Assistent"},
    {"form_wizard", "btBack", Field::Caption, 0, "< &Back",
     "< &Zur\xFC"
     "ck"},
    {"form_wizard", "btNext", Field::Caption, 0, "Ne&xt>", "&Vor >"},
    {"form_wizard", "btCancel", Field::Caption, 0, "Cancel", "Abbruch"},
    {"form_wizard", "Notebook", Field::Page, 0, "Welcome", "Willkommen"},
    {"form_wizard", "Notebook", Field::Page, 1, "From", "Von"},
    {"form_wizard", "Notebook", Field::Page, 2, "Subject", "Betreff"},
    {"form_wizard", "Notebook", Field::Page, 3, "Datasource", "Datenquelle"},
    {"form_wizard", "Notebook", Field::Page, 4, "Field selection", "Feldauswahl"},
    {"form_wizard", "Notebook", Field::Page, 5, "Mesage file", "Nachrichten-Datei"},
    {"form_wizard", "Notebook", Field::Page, 6, "Finish", "Beenden"},
    {"form_wizard", "cbDatasourceType", Field::Item, 0, "Plain Text (TXT)", "einfacher Text (txt)"},
    {"form_wizard", "cbDatasourceType", Field::Item, 1, "Comma separated values (CSV)",
     "Komma  separierter Text (csv)"},
    {"form_wizard", "cbDatasourceType", Field::Item, 2, "dBase III compatible table (DBF)",
     "dBase III kompatible Datei (dbf)"},
    {"form_wizard", "Label1", Field::Caption, 0, "Welcome!", "Willkommen!"},
    {"form_wizard", "Label2", Field::Caption, 0,
     "The Mailing Wizard will help you to create a new mailing project.",
     "Der Mail-Assistent hilft Ihnen, ein neues Projekt zu beginnen."},
    {"form_wizard", "Label3", Field::Caption, 0,
     "Press the Next button to begin.  You can press the Cancel button if you do not want to finish the "
     "creation "
     "process.",
     nullptr},
    {"form_wizard", "Label15", Field::Caption, 0,
     "You need to choose a valid e-mail address for the FROM field of the messages.", nullptr},
    {"form_wizard", "Label18", Field::Caption, 0,
     "You can use your name followed by your e-mail address enclosed by angle brackets, for instance: ",
     nullptr},
    {"form_wizard", "Label16", Field::Caption, 0, "&FROM field:", "&VON Feld:"},
    {"form_wizard", "Label17", Field::Caption, 0,
     "Make sure the domain in the e-mail address really exists because it is used for authentication with "
     "the "
     "remote server.",
     nullptr},
    {"form_wizard", "Label12", Field::Caption, 0, "Choose the subject of the messages", nullptr},
    {"form_wizard", "Label13", Field::Caption, 0, "&Subject:", "&Betreff:"},
    {"form_wizard", "Label4", Field::Caption, 0,
     "Please select a data source type and the corresponding filename.", nullptr},
    {"form_wizard", "Label5", Field::Caption, 0, "&Data source type:", "&Typ der Datenquelle:"},
    {"form_wizard", "Label8", Field::Caption, 0, "&Filename:", "&Dateiname:"},
    {"form_wizard", "btBrowse", Field::Caption, 0, "&Browse...", "&W\xE4hlen..."},
    {"form_wizard", "Label9", Field::Caption, 0, "Now select the field which contains the email address.",
     nullptr},
    {"form_wizard", "Label23", Field::Caption, 0,
     "&Fields available on the chosen file:", "&Felder der gew\xE4hlten Datei:"},
    {"form_wizard", "rgFirstLine", Field::Caption, 0,
     "The values above are:", "Die vorstehenden Werte sind:"},
    {"form_wizard", "rgFirstLine", Field::Item, 0, "&Data", "&Daten"},
    {"form_wizard", "rgFirstLine", Field::Item, 1, "&Header",
     "&\xDC"
     "berschrift"},
    {"form_wizard", "Label10", Field::Caption, 0, "Please select a message file", nullptr},
    {"form_wizard", "rbNewMessage", Field::Caption, 0,
     "&New message (I will type the message on the work place)",
     "&Neue Nachricht (Eingabe der Nachricht im Arbeitsfeld)"},
    {"form_wizard", "rbFromExistent", Field::Caption, 0, "&From an existing file",
     "&Aus einer bestehenden Datei"},
    {"form_wizard", "Label11", Field::Caption, 0, "Fil&ename:", "Datei-&Name:"},
    {"form_wizard", "Button1", Field::Caption, 0, "&Browse...", "&W\xE4hlen..."},
    {"form_wizard", "Label6", Field::Caption, 0,
     "The Mailing wizard is ready to create a new mailing project for you.  Now, press Create! to create the "
     "project or Cancel to exit without creating the new project.",
     nullptr},
    {"form_wizard", "Label7", Field::Caption, 0,
     "On the main screen, you can use the following controls:", nullptr},
    {"form_wizard", "lb1", Field::Caption, 0,
     "To start sending the messages. Make sure you are connected to the Internet before (command File | "
     "Send).",
     nullptr},
    {"form_wizard", "lb2", Field::Caption, 0,
     "Stops sending messages immediately.  Of course you can resume later. (command File | Stop).", nullptr},
    {"form_wizard", "lb3", Field::Caption, 0,
     "To save the new project.  You can save the project anytime to resume later. (command File | Save).",
     nullptr},
    {"form_wizard", "lb4", Field::Caption, 0,
     "To open a saved project.  You can open the project anytime to resume or modify it. (command File | "
     "Open).",
     nullptr},
    {"form_wizard", "Label14", Field::Caption, 0, "Progress...", "Fortschritt..."},

    {"form_get_started", "%Form%", Field::Caption, 0, "Getting Started", "So geht's los"},
    {"form_get_started", "Label1", Field::Caption, 0, "What do you want to do?", "Was wollen Sie tun?"},
    {"form_get_started", "rbNothing", Field::Caption, 0,
     "&Just start Norvane to create a new mailing project from scratch!",
     "&Vintrella starten, um ein neues Projekt zu beginnen!"},
    {"form_get_started", "rbWizard", Field::Caption, 0,
     "&Start the Mailing Wizard that will guide you in creating a mailing project!",
     "&Den Mail-Assistenten starten, der Sie durch ein neues Projekt f\xFChrt!"},
    {"form_get_started", "rdScript", Field::Caption, 0, "&Load an existent mailing project!",
     "&Bestehendes Mail-Projekt laden!"},
    {"form_get_started", "btOK", Field::Caption, 0, "OK", "OK"},
    {"form_get_started", "btCancel", Field::Caption, 0, "Cancel", "Abbruch"},
    {"form_get_started", "btBrowse", Field::Caption, 0, "&Browse...", "&W\xE4hlen..."},
    {"form_get_started", "chDontShowAgain", Field::Caption, 0, "&Don't show this dialog box again",
     "&Diesen Dialog nicht mehr zeigen"},

    {"find_dialog", "%Form%", Field::Caption, 0, "Find", "Suchen"},
    {"find_dialog", "btFindNext", Field::Caption, 0, "&Find Next", "&Weitersuchen"},
};

TEST(WindowWordTables, TextsAreThoseOfTheWindowsDescriptions) {
  for (uint8_t language : {0, 1}) {
    std::map<std::string, TComponentTree> trees;
    for (const auto& [window, build] : test::WindowTrees()) {
      TComponentTree& tree = trees.emplace(window, build()).first->second;
      TMultiLang multiLang(tree, nullptr);
      multiLang.Load(Tables().Of(window), language);
    }
    for (const Expected& e : kExpected) {
      const char* want = language == 0 ? e.English : e.German;
      if (!want) continue;
      EXPECT_EQ(Read(trees.at(e.Window), e), want)
          << e.Window << " " << e.Component << " #" << e.Index << " in language " << int{language};
    }
  }
}

TEST(WindowWordTables, TheWizardsExampleSenderIsANameAndAnAddressInAngleBracketsInBothLanguages) {
  for (uint8_t language : {0, 1}) {
    TComponentTree tree = test::FormWizardTree();
    TMultiLang multiLang(tree, nullptr);
    multiLang.Load(Tables().Of(kFormWizardWords), language);
    const std::string& sender = tree.Find("Label19")->Caption;
    std::size_t open = sender.find(" <");
    EXPECT_NE(open, std::string::npos) << sender;
    EXPECT_GT(open, 0u) << sender;
    EXPECT_NE(sender.find('@', open), std::string::npos) << sender;
    EXPECT_EQ(sender.back(), '>') << sender;
  }
}

// Designed in German: loading in English moves every control with an entry
// to its English place and keeps the designed places as the German fields.
TEST(WindowWordTables, TheWizardSwitchesControlPositionsWithTheLanguage) {
  const TMultiLangDesign& design = Tables().Of(kFormWizardWords);
  ASSERT_EQ(design.ActiveLanguage, 1);
  ASSERT_EQ(design.SwitchPositions, TSwitchPositions::spControlsOnly);
  const TComponentTree designed = test::FormWizardTree();
  TComponentTree tree = test::FormWizardTree();
  TMultiLang multiLang(tree, nullptr);
  multiLang.Load(design, 0);

  std::map<std::string, bool> hasEntry;
  for (std::size_t p = 0; p < design.Words.size(); p += 3) hasEntry[AnsiLowerCase(design.Words[p])] = true;
  int moved = 0;
  for (const TUiComponent& c : designed.Components()) {
    SCOPED_TRACE(c.Name);
    std::string key = PositionKey(c);
    std::optional<std::string> english = FindPositionField(design.Positions, key, 0);
    ASSERT_TRUE(english) << "no line for a placed control";
    EXPECT_EQ(FindPositionField(multiLang.Positions(), key, 1), PositionField(c));
    std::optional<std::string> now = PositionField(*tree.Find(c.Name));
    EXPECT_EQ(now, hasEntry[key] ? english : PositionField(c));
    moved += now != PositionField(c);
  }
  EXPECT_GT(moved, 0);  // the two layouts do differ

  ASSERT_TRUE(multiLang.SetActiveLanguage(1));
  for (const TUiComponent& c : designed.Components())
    EXPECT_EQ(PositionField(*tree.Find(c.Name)), PositionField(c)) << c.Name;
}

// The files are Windows-1252: a German letter is one byte, never a UTF-8 pair.
TEST(WindowWordTables, FilesAreWindows1252) {
  for (const std::string& name : WindowWordTableNames()) {
    std::string bytes = test::ReadFile(Tables().Folder() + "/" + name + ".txt");
    for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
      EXPECT_EQ(bytes.find(static_cast<char>(undefined)), std::string::npos) << name;
    EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << name << " looks like UTF-8";
  }
  std::string importDialog = test::ReadFile(Tables().Folder() + "/import_dialog.txt");
  EXPECT_NE(importDialog.find("Welche Spalte enth\xE4lt"), std::string::npos);
}

}  // namespace
}  // namespace norvane
