// The one mailing the main window holds: the recipient list (columns and
// rows), the message template, the attachment list and the window's project
// state. Plain data with the few operations every other area relies on; the
// GUI shows it, the project file stores it, the import fills it and the
// sending controller writes each outcome back into its rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

struct TListColumn {
  std::string Caption;
  int32_t Width = 50;
};

// One recipient. SubItems[0] is the last result text, SubItems[k-1] the value
// of column k (k >= 2); a row may hold fewer sub-items than there are columns
// and every reader treats a missing one as empty.
struct TListItem {
  std::string Caption;  // the e-mail address
  std::vector<std::string> SubItems;
  int32_t StateIndex = -1;  // 1 = checked; any other value = unchecked
  int32_t ImageIndex = -1;  // -1 none, 0 delivered, 1 failed, 2 sending
  int32_t OverlayIndex = -1;
  int32_t Data = 0;

  bool Checked() const { return StateIndex == 1; }
  // SubItems[index], or the empty text when the row has no such entry.
  const std::string& SubItem(std::size_t index) const;
  // Sets SubItems[index], growing the list with empty entries as needed.
  void SetSubItem(std::size_t index, std::string value);
};

enum ResultImage : int32_t { kImageNone = -1, kImageDelivered = 0, kImageFailed = 1, kImageSending = 2 };

// One attached file: Caption the file name, Directory the folder ending with
// the path delimiter (relative to the project file's folder or the current
// folder when it does not start with "/").
struct TAttachmentItem {
  std::string Caption;
  std::string Directory;
  int32_t ImageIndex = -1;

  // Directory + Caption as stored.
  std::string FullPath() const { return Directory + Caption; }
  // The file for a project saved as `projectFileName`: a relative path is
  // looked up in the project file's folder first, then taken from the current
  // folder (as stored) when it is not there; an absolute path as stored.
  std::string FullPath(std::string_view projectFileName) const;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// Position and size of a control in pixels.
struct TControlBounds {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// The window geometry a project file stores beside the data, so that opening
// a project restores the list heights and column widths.
struct TProjectLayout {
  TControlBounds ListView{0, 0, 640, 160};
  TControlBounds EditTo{56, 3, 584, 21};
  TControlBounds EditSubject{56, 27, 584, 21};
  TControlBounds Memo{0, 215, 640, 150};
  TControlBounds Attachments{0, 365, 640, 76};
  std::vector<TListColumn> AttachmentColumns{{"Filename", 200}, {"Path", 400}};
};

enum TContentTypeIndex : int { kContentText = 0, kContentHtml = 1 };

inline constexpr char kProductName[] = "Norvane";
inline constexpr char kDefaultToLine[] = "<email>";

class ProjectModel {
 public:
  ProjectModel();

  // Recipient list (ListView1).
  std::vector<TListColumn> Columns;
  std::vector<TListItem> Items;

  // Message template. Body line breaks are CR LF.
  std::string To = kDefaultToLine;  // edTo
  std::string Subject;              // edSubject
  std::string Body;                 // Memo1
  int ContentType = kContentText;   // cbContentType item index; never stored

  // Attachment list (lvAttachments).
  std::vector<TAttachmentItem> Attachments;
  TViewStyle AttachmentViewStyle = TViewStyle::vsReport;

  // Kept for the project file; New leaves it as the window has it.
  TProjectLayout Layout;

  bool FModified = false;
  std::string FProjectFileName;

  // Text edits go through these so that any change marks the project modified
  // (the one edSubjectChange handler of the window).
  void SetTo(std::string text);
  void SetSubject(std::string text);
  void SetBody(std::string text);

  // Removes every column, then appends "Email" (120) and "Result" (290).
  void ResetColumns();
  // Appends a column and returns its index.
  int AddColumn(std::string caption, int32_t width);
  // Resets to an empty project: no rows, the two columns, no attachments,
  // To "<email>", empty subject and body, not modified, no file name.
  void NewProject();

  // "Norvane - [name]  " with the file name without its folder, or "New Project".
  std::string TitleText() const;

  bool AttachmentsVisible() const { return !Attachments.empty(); }
};

}  // namespace norvane
