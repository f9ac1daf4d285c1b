#include "app/main_menus.h"

namespace norvane {

namespace {

// The menu entry shows its own caption and hint rather than the action's.
TMenuEntry Run(const TAction& action, std::string caption, std::string hint) {
  TMenuEntry entry;
  entry.Caption = std::move(caption);
  entry.Hint = std::move(hint);
  entry.Action = action.Name;
  return entry;
}

TMenuEntry Run(const TAction& action) {
  return Run(action, action.Caption, action.Hint);
}

TMenuEntry Own(std::string name, std::string caption, int tag = 0) {
  TMenuEntry entry;
  entry.Name = std::move(name);
  entry.Caption = std::move(caption);
  entry.Tag = tag;
  return entry;
}

TMenuEntry Separator() {
  TMenuEntry entry;
  entry.Caption = kSeparator;
  return entry;
}

}  // namespace

TMainMenus::TMainMenus(const TMainActions& a) {
  PopupMenuList = {Run(a.acRecipientAdd), Run(a.acRecipientEdit), Run(a.acRecipientDelete),
                   Separator(),           Run(a.acPreview),       Separator(),
                   Run(a.acCheck)};
  // acCheckAll's own caption is "&Uncheck All" and acUnCheckAll's "&Check
  // All"; the entries show what each really does.
  Recipient1 = {Run(a.acRecipientAdd),
                Run(a.acRecipientEdit),
                Run(a.acRecipientDelete),
                Run(a.acRecipientDeleteSelected),
                Separator(),
                Run(a.acCheckAll, "&Check All", "Check all recipients"),
                Run(a.acUnCheckAll, "&Uncheck All", "Uncheck all recipients"),
                Run(a.acInvertSelection)};
  Search1 = {Run(a.acFind), Run(a.acFindNext)};
  Insert1 = {Run(a.acInsertAttachment), Own("Field1", "&Field")};
  AttachMenu = {Run(a.acInsertAttachment, "&Insert...", a.acInsertAttachment.Hint),
                Own("Delete3", "&Delete"),
                Separator(),
                Own("Icon1", "I&con", kTagIcon),
                Own("SmallIcon1", "&Small Icon", kTagSmallIcon),
                Own("List1", "&List", kTagList),
                Own("Report1", "&Report", kTagReport)};
}

}  // namespace norvane
