#include "ui/window_trees.h"

#include "ui/language_positions.h"

namespace norvane::test {

namespace {

using K = TComponentKind;

std::string Design(const std::string& name) {
  return kDesignText + name;
}

std::vector<std::string> DesignList(const std::string& name, int count) {
  std::vector<std::string> list;
  for (int i = 0; i < count; ++i) list.push_back(Design(name) + "." + std::to_string(i));
  return list;
}

// A component with no designed text.
TUiComponent& Plain(TComponentTree& tree, const std::string& name, K kind) {
  return tree.Add(name, kind);
}

// A component designed with a text in each field its kind shows.
TUiComponent& Designed(TComponentTree& tree, const std::string& name, K kind) {
  TUiComponent& c = tree.Add(name, kind);
  switch (kind) {
    case K::OpenDialog:
    case K::SaveDialog:
      c.Caption = Design(name);
      c.Filter = Design(name) + ".filter";
      break;
    case K::StatusBar:
      c.Text = Design(name);
      break;
    default:
      if (HasCaption(kind)) c.Caption = Design(name);
      if (kind == K::Edit) c.Text = Design(name);
      break;
  }
  return c;
}

// A component designed with `count` list elements.
TUiComponent& DesignedList(TComponentTree& tree, const std::string& name, K kind, int count) {
  TUiComponent& c = tree.Add(name, kind);
  std::vector<std::string> list = DesignList(name, count);
  switch (kind) {
    case K::Notebook:
      c.Pages = list;
      break;
    case K::ListView:
      c.Columns = list;
      break;
    case K::RadioGroup:
      c.Caption = Design(name);
      c.Items = list;
      c.ItemIndex = 0;
      break;
    default:
      c.Items = list;
      c.ItemIndex = 0;
      break;
  }
  return c;
}

void Designed(TComponentTree& tree, std::initializer_list<const char*> names, K kind) {
  for (const char* name : names) Designed(tree, name, kind);
}

}  // namespace

TComponentTree MainFormTree() {
  TComponentTree t;  // the caption is the project's title, set at run time
  Plain(t, "ToolBar1", K::Panel);
  Designed(t,
           {"ToolButton8", "ToolButton9", "ToolButton1", "ToolButton2", "ToolButton14", "ToolButton3",
            "ToolButton5", "ToolButton7", "ToolButton12"},
           K::ToolButton);
  Plain(t, "ToolButton4", K::ToolButton);  // separators
  Plain(t, "ToolButton6", K::ToolButton);
  DesignedList(t, "cbContentType", K::ComboBox, 2);
  DesignedList(t, "ListView1", K::ListView, 2);
  Plain(t, "Splitter1", K::Bevel);
  Designed(t, "Panel2", K::Panel);
  Designed(t, {"Label1", "Label2"}, K::Label);
  Designed(t, {"edTo", "edSubject"}, K::Edit);
  DesignedList(t, "Memo1", K::Memo, 1);
  Plain(t, "Splitter2", K::Bevel);
  Designed(t, "Panel1", K::Panel);
  DesignedList(t, "lvAttachments", K::ListView, 2);
  Designed(t, "StatusBar1", K::StatusBar).Panels.resize(5);  // texts set by the progress counters
  Designed(t,
           {"acOptions",
            "acStart",
            "acAbort",
            "acEdit",
            "acNew",
            "acOpen",
            "acSave",
            "acSaveAs",
            "acImportRecipient",
            "acAbout",
            "acRecipientAdd",
            "acRecipientEdit",
            "acRecipientDelete",
            "acRecipientDeleteSelected",
            "acInvertSelection",
            "acUnCheckAll",
            "acCheckAll",
            "acImportMessage",
            "acCheck",
            "acContent",
            "acInsertAttachment",
            "acTipOfThDay",
            "acHomePage",
            "acPreview",
            "acSpellChecker",
            "acThesaurus",
            "acWizard",
            "acFind",
            "acFindNext",
            "acGettingStarted"},
           K::Action);
  Designed(t,
           {"File1",
            "New1",
            "Open1",
            "Save1",
            "SaveAs1",
            "ImportMessage1",
            "Preview1",
            "Start1",
            "Abort1",
            "Recipient1",
            "New2",
            "Properties1",
            "Delete1",
            "DeleteAllChecked1",
            "UncheckAll1",
            "UncheckAll2",
            "InvertSelection1",
            "ImportRecipientList1",
            "Exit1",
            "Search1",
            "Find1",
            "FindNext1",
            "Insert1",
            "Attachment1",
            "Field1",
            "Tools1",
            "Options1",
            "SpellChecker1",
            "Thesaurus1",
            "Help1",
            "Contents1",
            "TipofTheDay1",
            "GettingStarted1",
            "Wizard1",
            "KalventoSoftwareHomePage1",
            "About1",
            "New3",
            "Properties2",
            "Delete2",
            "Preview2",
            "CheckUncheck1",
            "Attachment2",
            "Delete3",
            "Icon1",
            "SmallIcon1",
            "List1",
            "Report1"},
           K::MenuItem);
  Plain(t, "N1", K::MenuItem).Caption = "-";
  Designed(t, "OpenProjectDlg", K::OpenDialog);
  Designed(t, "SaveProjectDlg", K::SaveDialog);
  Designed(t, {"ImportMessageDialog", "ImportRecipientDialog", "InsertAttachDialog"}, K::OpenDialog);
  for (const char* name : {"PopupMenu1", "AttachMenu", "PopupMenuBody", "ImageList1", "ImageList3",
                           "SmtpRelayServer1", "MostRecentUsedList1", "FindDialog1", "MultiLang1"})
    Plain(t, name, K::Component);
  return t;
}

TComponentTree FormOptionsTree() {
  TComponentTree t;
  t.Form.Caption = Design("FormOptions");
  Plain(t, "PageControl1", K::PageControl);
  Designed(t, {"TabSheet1", "TabSheet2", "btConfigure"}, K::TabSheet);
  Designed(t, {"Label3", "Label6", "Label2", "Label4", "Label5", "Label1"}, K::Label);
  for (const char* name : {"edConnections", "edTimeOut", "edFrom", "edHost", "edDNS1", "edDNS2"})
    Plain(t, name, K::Edit);
  Plain(t, "udConnections", K::UpDown);
  Plain(t, "udTimeOut", K::UpDown);
  Designed(t, {"rbHostFromDomain", "edSpecifyHost"}, K::RadioButton);
  Designed(t, "cbRunSpellChecker", K::CheckBox);
  Designed(t, {"Button3", "Button1", "Button2"}, K::Button);
  // The pages and settings added to the dialog's first design.
  Designed(t, {"tsSecurity", "tsMessage", "tsDkim", "tsDelivery"}, K::TabSheet);
  Designed(t,
           {"lbGateway", "lbGatewayPort", "lbMessagesPerSession", "lbDomainConnections", "lbDomainPace",
            "lbGatewayTls", "lbDirectTls", "lbCaFile", "lbUser", "lbPassword", "lbListUnsubscribe",
            "lbDkimDomain", "lbDkimSelector", "lbDkimKeyFile", "lbRetries", "lbRetryDelay"},
           K::Label);
  Designed(t, {"cbMxPreferenceOrder", "cbReuseSessions", "cbCacheAnswers", "cbMimeEncoding"}, K::CheckBox);
  return t;
}

TComponentTree FormPropertiesTree() {
  TComponentTree t;  // the caption is "New Recipient" or "Properties", set by the command
  Plain(t, "VerticalGrid", K::Component);
  Designed(t, {"Button1", "Button2"}, K::Button);
  return t;
}

TComponentTree FormPreviewTree() {
  TComponentTree t;
  t.Form.Caption = Design("FormPreview");
  Plain(t, "RichEdit1", K::Memo);
  return t;
}

TComponentTree AboutBoxTree() {
  TComponentTree t;
  t.Form.Caption = "About Norvane";  // designed so, and not in the table
  Plain(t, "Panel1", K::Panel);
  Plain(t, "ProgramIcon", K::Image);
  Plain(t, "ProductName", K::Label).Caption = "Norvane";
  for (const char* name : {"Version", "Copyright", "Comments", "OSVersion", "PhysMem"})
    Plain(t, name, K::Label);
  Designed(t, "OKButton", K::Button);
  return t;
}

TComponentTree ImportDialogTree() {
  TComponentTree t;
  t.Form.Caption = Design("ImportDialog");
  Designed(t, {"Label1", "Label3", "lbFilename", "lbKind", "Label4"}, K::Label);
  Plain(t, "cbEmail", K::ComboBox);
  DesignedList(t, "rgFirstLine", K::RadioGroup, 2);
  DesignedList(t, "rgMode", K::RadioGroup, 2);
  Plain(t, "PBar", K::ProgressBar);
  Designed(t, {"btImport", "btCancel"}, K::Button);
  Plain(t, "tbDbase", K::Component);
  return t;
}

// Designed in German: the positions here are the German fields of the table.
TComponentTree FormWizardTree() {
  TComponentTree t;
  t.Form.Caption = Design("FormWizard");
  auto at = [&](TUiComponent& c, const char* field) { ApplyPositionField(c, field); };
  auto placed = [&](TUiComponent& c) -> TUiComponent& { return c.At(0, 0, 0, 0); };
  at(placed(Plain(t, "Image1", K::Image)), "10.10.130.245");
  at(placed(DesignedList(t, "Notebook", K::Notebook, 7)), "150.10.330.245");
  at(placed(Plain(t, "bevel1", K::Bevel)), "10.265.470.8");
  at(placed(Designed(t, "btBack", K::Button)), "244.280.75.23");
  at(placed(Designed(t, "btNext", K::Button)), "324.280.75.23");
  at(placed(Designed(t, "btCancel", K::Button)), "405.280.75.23");
  const std::pair<const char*, const char*> labels[] = {
      {"Label1", "8.8.300.29"},    {"Label2", "8.56.310.30"},   {"Label3", "8.104.310.58"},
      {"Label15", "8.8.310.30"},   {"Label18", "8.46.310.30"},  {"Label19", "8.80.310.13"},
      {"Label16", "8.112.310.13"}, {"Label17", "8.164.310.44"}, {"Label12", "8.8.310.13"},
      {"Label13", "8.40.310.13"},  {"Label4", "8.8.310.30"},    {"Label5", "8.48.310.13"},
      {"Label8", "8.96.310.13"},   {"Label9", "8.8.310.13"},    {"Label23", "8.32.310.13"},
      {"Label10", "8.8.310.13"},   {"Label11", "24.88.200.13"}, {"Label6", "8.8.310.58"},
      {"Label7", "8.70.310.13"},   {"lb1", "32.90.290.28"},     {"lb2", "32.124.290.28"},
      {"lb3", "32.158.290.28"},    {"lb4", "32.192.290.28"},    {"Label14", "8.224.310.13"},
  };
  for (const auto& [name, field] : labels) at(placed(Designed(t, name, K::Label)), field);
  at(placed(Plain(t, "edFrom", K::Edit)), "8.128.310.21");
  at(placed(Plain(t, "edSubject", K::Edit)), "8.56.310.21");
  at(placed(DesignedList(t, "cbDatasourceType", K::ComboBox, 3)), "8.64.310.21");
  at(placed(Plain(t, "edFilename", K::Edit)), "8.112.230.21");
  at(placed(Designed(t, "btBrowse", K::Button)), "243.111.75.23");
  at(placed(Plain(t, "FieldListBox", K::ListBox)), "8.48.310.120");
  at(placed(DesignedList(t, "rgFirstLine", K::RadioGroup, 2)), "8.176.310.44");
  at(placed(Designed(t, "rbNewMessage", K::RadioButton)), "8.36.310.17");
  at(placed(Designed(t, "rbFromExistent", K::RadioButton)), "8.60.310.17");
  at(placed(Plain(t, "edMessageFile", K::Edit)), "24.104.214.21");
  at(placed(Designed(t, "Button1", K::Button)), "243.103.75.23");
  // The four pictures beside lb1 to lb4.
  at(placed(Plain(t, "Image2", K::Image)), "8.90.16.16");
  at(placed(Plain(t, "Image3", K::Image)), "8.124.16.16");
  at(placed(Plain(t, "Image4", K::Image)), "8.158.16.16");
  at(placed(Plain(t, "Image5", K::Image)), "8.192.16.16");
  at(placed(Plain(t, "PBar", K::ProgressBar)), "8.240.310.16");
  return t;
}

TComponentTree FormGetStartedTree() {
  TComponentTree t;
  t.Form.Caption = Design("FormGetStarted");
  Designed(t, "Label1", K::Label);
  Designed(t, {"rbNothing", "rbWizard", "rdScript"}, K::RadioButton);
  Plain(t, "Scripts", K::ListBox);
  Designed(t, {"btOK", "btCancel", "btBrowse"}, K::Button);
  Designed(t, "chDontShowAgain", K::CheckBox);
  for (const char* name : {"Image1", "Image2", "Image3"}) Plain(t, name, K::Image);
  return t;
}

TComponentTree FindDialogTree() {
  TComponentTree t;
  t.Form.Caption = Design("FindDialog");
  Designed(t, "Label1", K::Label);
  Plain(t, "edFindText", K::Edit);
  Designed(t, "cbMatchCase", K::CheckBox);
  Designed(t, "gbDirection", K::GroupBox);
  Designed(t, {"rbUp", "rbDown"}, K::RadioButton);
  Designed(t, {"btFindNext", "btCancel"}, K::Button);
  return t;
}

const std::vector<std::pair<std::string, TComponentTree (*)()>>& WindowTrees() {
  static const std::vector<std::pair<std::string, TComponentTree (*)()>> trees{
      {"main_form", MainFormTree},
      {"form_options", FormOptionsTree},
      {"form_properties", FormPropertiesTree},
      {"form_preview", FormPreviewTree},
      {"about_box", AboutBoxTree},
      {"import_dialog", ImportDialogTree},
      {"form_wizard", FormWizardTree},
      {"form_get_started", FormGetStartedTree},
      {"find_dialog", FindDialogTree},
  };
  return trees;
}

}  // namespace norvane::test
