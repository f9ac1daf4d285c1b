#include "project/project_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>

#include "platform/atomic_file.h"
#include "project/component_stream.h"

namespace norvane {
namespace {

// Texts of the English user interface; the hints carry a trailing blank.
constexpr char kHintTo[] = "Click here to type the recipient ";
constexpr char kHintSubject[] = "Click here to type the subject ";
constexpr char kHintBody[] = "Click here to type the message ";
constexpr int32_t kEditLeft = 56;
constexpr int32_t kEditHeight = 21;
constexpr int32_t kSubjectTop = 27;  // readers tell the earlier layout by a smaller value
constexpr int32_t kDefaultColumnWidth = 50;
constexpr std::size_t kRowFixedBytes = 21;

constexpr char kInvalidValue[] = "Invalid property value";
constexpr char kNoProperty[] = "Property does not exist";

// ---------------------------------------------------------------- writing

uint64_t ShortLength(const std::string& text) {
  return std::min(text.size(), kShortStringMax) + 1;
}

template <typename Row>
uint64_t RowBytes(const Row& caption, const std::vector<std::string>& subItems) {
  uint64_t bytes = kRowFixedBytes - 1 + ShortLength(caption);
  for (const auto& sub : subItems) bytes += ShortLength(sub);
  return bytes;
}

void WriteRow(ComponentWriter& out, int32_t imageIndex, int32_t stateIndex, int32_t overlayIndex,
              int32_t data, const std::string& caption, const std::vector<std::string>& subItems) {
  out.Int32(imageIndex);
  out.Int32(stateIndex);
  out.Int32(overlayIndex);
  out.Int32(static_cast<int32_t>(subItems.size()));
  out.Int32(data);
  out.ShortString(caption);
  for (const auto& sub : subItems) out.ShortString(sub);
}

void CheckBlockSize(uint64_t size) {
  if (size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    throw ProjectFileError("The list is too large to be saved in a project file");
}

void WriteColumns(ComponentWriter& out, const std::vector<TListColumn>& columns) {
  out.Name("Columns");
  out.BeginCollection();
  for (const auto& column : columns) {
    out.BeginList();
    if (!column.Caption.empty()) {
      out.Name("Caption");
      out.Text(column.Caption);
    }
    if (column.Width != kDefaultColumnWidth) {
      out.Name("Width");
      out.Integer(column.Width);
    }
    out.End();
  }
  out.End();
}

void WriteFont(ComponentWriter& out, const char* fontName) {
  out.Name("Font.Charset");
  out.Identifier("DEFAULT_CHARSET");
  out.Name("Font.Color");
  out.Identifier("clWindowText");
  out.Name("Font.Height");
  out.Integer(-11);
  out.Name("Font.Name");
  out.Text(fontName);
  out.Name("Font.Style");
  out.EmptySet();
}

void WriteIntProperty(ComponentWriter& out, const char* name, int32_t value) {
  out.Name(name);
  out.Integer(value);
}

void BeginControl(ComponentWriter& out, const char* className, const char* name, int32_t left, int32_t top,
                  int32_t width, int32_t height) {
  out.BeginRecord(className, name);
  WriteIntProperty(out, "Left", left);
  WriteIntProperty(out, "Top", top);
  WriteIntProperty(out, "Width", width);
  WriteIntProperty(out, "Height", height);
}

// The binary block of a list view's rows: its size twice (once as the block header) and the row
// count; the rows follow.
void BeginItemsData(ComponentWriter& out, uint64_t size, std::size_t count) {
  CheckBlockSize(size);
  out.Name("Items.Data");
  out.BinaryHeader(static_cast<uint32_t>(size));
  out.Int32(static_cast<int32_t>(size));
  out.Int32(static_cast<int32_t>(count));
}

void WriteRecipientList(ComponentWriter& out, const ProjectModel& model) {
  const TProjectLayout& layout = model.Layout;
  BeginControl(out, "TListView", "ListView1", 0, 0, layout.ListView.Width, layout.ListView.Height);
  out.Name("Align");
  out.Identifier("alTop");
  WriteColumns(out, model.Columns);
  out.Name("ColumnClick");
  out.Boolean(false);
  out.Name("HideSelection");
  out.Boolean(false);
  out.Name("HotTrackStyles");
  out.EmptySet();
  if (!model.Items.empty()) {
    uint64_t size = 8;
    for (const auto& item : model.Items) size += RowBytes(item.Caption, item.SubItems);
    BeginItemsData(out, size, model.Items.size());
    for (const auto& item : model.Items)
      WriteRow(out, item.ImageIndex, item.StateIndex, item.OverlayIndex, item.Data, item.Caption,
               item.SubItems);
  }
  out.Name("ReadOnly");
  out.Boolean(true);
  out.Name("RowSelect");
  out.Boolean(true);
  out.Name("PopupMenu");
  out.Identifier("MainForm.PopupMenu1");
  out.Name("SmallImages");
  out.Identifier("MainForm.ImageList1");
  out.Name("StateImages");
  out.Identifier("MainForm.ImageList3");
  WriteIntProperty(out, "TabOrder", 0);
  out.Name("ViewStyle");
  out.Identifier("vsReport");
  out.EndRecord();
}

void WriteEdit(ComponentWriter& out, const char* componentName, int32_t top, int32_t width, const char* hint,
               int32_t tabOrder, const std::string& text, bool duringRun) {
  BeginControl(out, "TEdit", componentName, kEditLeft, top, width, kEditHeight);
  out.Name("Hint");
  out.Text(hint);
  if (duringRun) {
    out.Name("Enabled");
    out.Boolean(false);
  }
  WriteFont(out, "MS Sans Serif");
  out.Name("ParentFont");
  out.Boolean(false);
  out.Name("ParentShowHint");
  out.Boolean(false);
  out.Name("ShowHint");
  out.Boolean(true);
  WriteIntProperty(out, "TabOrder", tabOrder);
  if (!text.empty()) {
    out.Name("Text");
    out.Text(text);
  }
  out.EndRecord();
}

// The body's lines as typed: CR LF, CR and LF each end a line, and a break
// at the very end opens no further line (the editor does not store one).
std::vector<std::string_view> BodyLines(std::string_view body) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(body.substr(start));
      break;
    }
    lines.push_back(body.substr(start, end - start));
    start = end + ((body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

void WriteMemo(ComponentWriter& out, const ProjectModel& model, bool duringRun) {
  const TControlBounds& bounds = model.Layout.Memo;
  BeginControl(out, "TMemo", "Memo1", 0, bounds.Top, bounds.Width, bounds.Height);
  out.Name("Hint");
  out.Text(kHintBody);
  out.Name("Align");
  out.Identifier("alClient");
  if (duringRun) {
    out.Name("Enabled");
    out.Boolean(false);
  }
  WriteFont(out, "Courier New");
  auto lines = BodyLines(model.Body);
  if (!lines.empty()) {
    out.Name("Lines.Strings");
    out.BeginList();
    for (auto line : lines) {
      if (line.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        throw ProjectFileError("The message is too large to be saved in a project file");
      out.Text(line);
    }
    out.End();
  }
  out.Name("ParentFont");
  out.Boolean(false);
  out.Name("ParentShowHint");
  out.Boolean(false);
  out.Name("PopupMenu");
  out.Identifier("MainForm.PopupMenuBody");
  out.Name("ScrollBars");
  out.Identifier("ssVertical");
  out.Name("ShowHint");
  out.Boolean(true);
  WriteIntProperty(out, "TabOrder", 2);
  out.EndRecord();
}

const char* ViewStyleName(TViewStyle style) {
  switch (style) {
    case TViewStyle::vsIcon:
      return "vsIcon";
    case TViewStyle::vsSmallIcon:
      return "vsSmallIcon";
    case TViewStyle::vsList:
      return "vsList";
    case TViewStyle::vsReport:
      return "vsReport";
  }
  return "vsIcon";
}

void WriteAttachmentList(ComponentWriter& out, const ProjectModel& model) {
  const TControlBounds& bounds = model.Layout.Attachments;
  BeginControl(out, "TListView", "lvAttachments", 0, bounds.Top, bounds.Width, bounds.Height);
  out.Name("Align");
  out.Identifier("alBottom");
  WriteColumns(out, model.Layout.AttachmentColumns);
  out.Name("ColumnClick");
  out.Boolean(false);
  out.Name("HotTrackStyles");
  out.EmptySet();
  if (!model.Attachments.empty()) {
    uint64_t size = 8;
    std::vector<std::string> sub(1);
    for (const auto& file : model.Attachments) {
      sub[0] = file.Directory;
      size += RowBytes(file.Caption, sub);
    }
    BeginItemsData(out, size, model.Attachments.size());
    for (const auto& file : model.Attachments) {
      sub[0] = file.Directory;
      WriteRow(out, file.ImageIndex, -1, -1, 0, file.Caption, sub);
    }
  }
  out.Name("MultiSelect");
  out.Boolean(true);
  out.Name("ReadOnly");
  out.Boolean(true);
  out.Name("PopupMenu");
  out.Identifier("MainForm.AttachMenu");
  WriteIntProperty(out, "TabOrder", 3);
  if (model.AttachmentViewStyle != TViewStyle::vsIcon) {
    out.Name("ViewStyle");
    out.Identifier(ViewStyleName(model.AttachmentViewStyle));
  }
  if (model.Attachments.empty()) {
    out.Name("Visible");
    out.Boolean(false);
  }
  out.EndRecord();
}

void WriteProject(ByteSink& sink, const ProjectModel& model, const ProjectSaveOptions& options) {
  ComponentWriter out(sink);
  const TProjectLayout& layout = model.Layout;
  WriteRecipientList(out, model);
  WriteEdit(out, "edTo", layout.EditTo.Top, layout.EditTo.Width, kHintTo, 0, model.To, options.DuringRun);
  WriteEdit(out, "edSubject", kSubjectTop, layout.EditSubject.Width, kHintSubject, 1, model.Subject,
            options.DuringRun);
  WriteMemo(out, model, options.DuringRun);
  WriteAttachmentList(out, model);
  out.Flush();
}

class AtomicFileSink : public ByteSink {
 public:
  explicit AtomicFileSink(AtomicFile& file) : file_(file) {}
  void Write(const char* data, std::size_t length) override { file_.Write(data, length); }

 private:
  AtomicFile& file_;
};

// ---------------------------------------------------------------- reading

// A property that cannot be applied; turned into "Error reading ..." with
// the control and property names by the record reader.
struct PropertyFault {
  const char* reason;
};

[[noreturn]] void InvalidValue() {
  throw PropertyFault{kInvalidValue};
}

ValueType ReadType(ComponentReader& in) {
  return static_cast<ValueType>(in.Byte());
}

int32_t ReadIntegerAfter(ComponentReader& in, ValueType type) {
  switch (type) {
    case ValueType::vaInt8:
      return static_cast<int8_t>(in.Byte());
    case ValueType::vaInt16: {
      uint16_t low = in.Byte();
      uint16_t high = in.Byte();
      return static_cast<int16_t>(static_cast<uint16_t>(low | high << 8));
    }
    case ValueType::vaInt32:
      return in.Int32();
    default:
      InvalidValue();
  }
}

int32_t ReadInteger(ComponentReader& in) {
  return ReadIntegerAfter(in, ReadType(in));
}

std::string ReadTextAfter(ComponentReader& in, ValueType type) {
  if (type == ValueType::vaString) return in.ShortString();
  if (type == ValueType::vaLString) {
    int32_t length = in.Int32();
    if (length < 0) InvalidValue();
    return in.Bytes(static_cast<uint64_t>(length));
  }
  InvalidValue();
}

std::string ReadText(ComponentReader& in) {
  return ReadTextAfter(in, ReadType(in));
}

bool ReadBoolean(ComponentReader& in) {
  ValueType type = ReadType(in);
  if (type == ValueType::vaTrue) return true;
  if (type == ValueType::vaFalse) return false;
  InvalidValue();
}

std::string ReadIdentifier(ComponentReader& in) {
  if (ReadType(in) != ValueType::vaIdent) InvalidValue();
  return in.ShortString();
}

void ReadSet(ComponentReader& in) {
  if (ReadType(in) != ValueType::vaSet) InvalidValue();
  while (!in.ShortString().empty()) {
  }
}

// Font.Color and Font.Charset may be stored as a named constant or a number.
void ReadIdentifierOrInteger(ComponentReader& in) {
  ValueType type = ReadType(in);
  if (type == ValueType::vaIdent) {
    in.ShortString();
    return;
  }
  ReadIntegerAfter(in, type);
}

std::vector<TListColumn> ReadColumns(ComponentReader& in) {
  if (ReadType(in) != ValueType::vaCollection) InvalidValue();
  std::vector<TListColumn> columns;
  for (;;) {
    ValueType type = ReadType(in);
    if (type == ValueType::vaNull) break;
    // An item may carry an order number before its properties.
    if (type == ValueType::vaInt8 || type == ValueType::vaInt16 || type == ValueType::vaInt32) {
      ReadIntegerAfter(in, type);
      type = ReadType(in);
    }
    if (type != ValueType::vaList) InvalidValue();
    TListColumn column;
    for (std::string name = in.ShortString(); !name.empty(); name = in.ShortString()) {
      if (name == "Caption") {
        column.Caption = ReadText(in);
      } else if (name == "Width") {
        column.Width = ReadInteger(in);
      } else if (name == "MinWidth" || name == "MaxWidth" || name == "ImageIndex" || name == "Tag") {
        ReadInteger(in);
      } else if (name == "AutoSize") {
        ReadBoolean(in);
      } else if (name == "Alignment") {
        ReadIdentifier(in);
      } else {
        throw PropertyFault{kNoProperty};
      }
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

// The rows of Items.Data. Every count and length is checked against the
// bytes of the block before anything is sized by it.
class RowBlock {
 public:
  RowBlock(ComponentReader& in, uint64_t length) : in_(in), left_(length) {}

  int32_t Int32() {
    Take(4);
    return in_.Int32();
  }
  std::string ShortString() {
    // The length byte is checked against the block before the bytes are read.
    Take(1);
    if (left_ < in_.PeekByte()) InvalidValue();
    std::string text = in_.ShortString();
    left_ -= text.size();
    return text;
  }
  uint64_t left() const { return left_; }
  void Take(uint64_t bytes) {
    if (bytes > left_) InvalidValue();
    left_ -= bytes;
  }

 private:
  ComponentReader& in_;
  uint64_t left_;
};

struct StoredRow {
  int32_t ImageIndex, StateIndex, OverlayIndex, Data;
  std::string Caption;
  std::vector<std::string> SubItems;
};

template <typename OnRow>
void ReadRows(ComponentReader& in, OnRow&& onRow, std::size_t& reserveHint) {
  if (ReadType(in) != ValueType::vaBinary) InvalidValue();
  auto length = static_cast<uint32_t>(in.Int32());
  // The whole block must be in the file; a larger claim is a cut file.
  if (length > in.Remaining()) throw StreamReadError();
  RowBlock block(in, length);
  int32_t size = block.Int32();
  int32_t count = block.Int32();
  if (size < 8 || static_cast<uint32_t>(size) > length || count < 0) InvalidValue();
  // Bytes the block holds beyond its stated size are not rows.
  uint64_t trailing = length - static_cast<uint32_t>(size);
  RowBlock rows(in, static_cast<uint64_t>(size) - 8);
  block.Take(rows.left());
  if (static_cast<uint64_t>(count) > rows.left() / kRowFixedBytes) InvalidValue();
  reserveHint = static_cast<std::size_t>(count);
  StoredRow row;
  for (int32_t i = 0; i < count; ++i) {
    row.ImageIndex = rows.Int32();
    row.StateIndex = rows.Int32();
    row.OverlayIndex = rows.Int32();
    int32_t subCount = rows.Int32();
    // Each sub-item takes at least its length byte; checked at once, so the error points at the count.
    if (subCount < 0 || static_cast<uint64_t>(subCount) > rows.left()) InvalidValue();
    row.Data = rows.Int32();
    row.Caption = rows.ShortString();
    row.SubItems.clear();
    row.SubItems.reserve(static_cast<std::size_t>(subCount));
    for (int32_t k = 0; k < subCount; ++k) row.SubItems.push_back(rows.ShortString());
    onRow(std::move(row));
    row = StoredRow{};
  }
  in.Skip(rows.left() + trailing);
}

void ReadStrings(ComponentReader& in, std::string& body) {
  if (ReadType(in) != ValueType::vaList) InvalidValue();
  body.clear();
  bool first = true;
  for (ValueType type = ReadType(in); type != ValueType::vaNull; type = ReadType(in)) {
    if (!first) body += "\r\n";
    body += ReadTextAfter(in, type);
    first = false;
  }
}

TViewStyle ParseViewStyle(const std::string& name) {
  if (name == "vsIcon") return TViewStyle::vsIcon;
  if (name == "vsSmallIcon") return TViewStyle::vsSmallIcon;
  if (name == "vsList") return TViewStyle::vsList;
  if (name == "vsReport") return TViewStyle::vsReport;
  InvalidValue();
}

enum class Control { kRecipients, kTo, kSubject, kBody, kAttachments };

struct RecordTarget {
  Control control;
  ProjectModel& model;
  bool sawSubjectTop = false;
};

// Properties every one of these controls has and that restore only their
// appearance; they are checked for their type and otherwise left alone.
bool ReadAppearance(ComponentReader& in, const std::string& name) {
  static const char* const kBooleans[] = {"Enabled", "ParentFont", "ParentShowHint", "ShowHint",
                                          "Visible", "TabStop",    "ReadOnly"};
  for (const char* known : kBooleans)
    if (name == known) return ReadBoolean(in), true;
  if (name == "Left" || name == "TabOrder" || name == "Font.Height" || name == "Tag" || name == "HelpContext")
    return ReadInteger(in), true;
  if (name == "Font.Color" || name == "Font.Charset" || name == "Color")
    return ReadIdentifierOrInteger(in), true;
  if (name == "Font.Name" || name == "Hint") return ReadText(in), true;
  if (name == "Font.Style") return ReadSet(in), true;
  if (name == "PopupMenu" || name == "Cursor" || name == "Align") return ReadIdentifier(in), true;
  return false;
}

// The stored Left is left alone (see ReadAppearance): each control sits at a fixed column.
bool ReadBounds(ComponentReader& in, const std::string& name, TControlBounds& bounds) {
  int32_t* field = name == "Top"      ? &bounds.Top
                   : name == "Width"  ? &bounds.Width
                   : name == "Height" ? &bounds.Height
                                      : nullptr;
  if (field == nullptr) return false;
  *field = ReadInteger(in);
  return true;
}

void ReadListViewProperty(ComponentReader& in, const std::string& name, RecordTarget& target,
                          TControlBounds& bounds) {
  ProjectModel& model = target.model;
  bool recipients = target.control == Control::kRecipients;
  if (ReadBounds(in, name, bounds)) return;
  if (name == "Columns") {
    (recipients ? model.Columns : model.Layout.AttachmentColumns) = ReadColumns(in);
  } else if (name == "Items.Data") {
    std::size_t reserve = 0;
    if (recipients) {
      model.Items.clear();
      bool reserved = false;
      ReadRows(
          in,
          [&](StoredRow&& row) {
            if (!reserved) model.Items.reserve(reserve), reserved = true;
            TListItem item;
            item.Caption = std::move(row.Caption);
            item.SubItems = std::move(row.SubItems);
            item.StateIndex = row.StateIndex;
            item.ImageIndex = row.ImageIndex;
            item.OverlayIndex = row.OverlayIndex;
            item.Data = row.Data;
            model.Items.push_back(std::move(item));
          },
          reserve);
    } else {
      model.Attachments.clear();
      ReadRows(
          in,
          [&](StoredRow&& row) {
            TAttachmentItem file;
            file.Caption = std::move(row.Caption);
            if (!row.SubItems.empty()) file.Directory = std::move(row.SubItems[0]);
            file.ImageIndex = row.ImageIndex;
            model.Attachments.push_back(std::move(file));
          },
          reserve);
    }
  } else if (name == "ViewStyle") {
    TViewStyle style = ParseViewStyle(ReadIdentifier(in));
    if (!recipients) model.AttachmentViewStyle = style;
  } else if (name == "ColumnClick" || name == "HideSelection" || name == "RowSelect" ||
             name == "MultiSelect") {
    ReadBoolean(in);
  } else if (name == "HotTrackStyles") {
    ReadSet(in);
  } else if (name == "SmallImages" || name == "StateImages" || name == "LargeImages") {
    ReadIdentifier(in);
  } else if (!ReadAppearance(in, name)) {
    throw PropertyFault{kNoProperty};
  }
}

void ReadEditProperty(ComponentReader& in, const std::string& name, RecordTarget& target,
                      TControlBounds& bounds) {
  bool subject = target.control == Control::kSubject;
  if (ReadBounds(in, name, bounds)) {
    if (subject && name == "Top") target.sawSubjectTop = true;
    return;
  }
  if (name == "Text") {
    (subject ? target.model.Subject : target.model.To) = ReadText(in);
  } else if (name == "MaxLength") {
    ReadInteger(in);
  } else if (!ReadAppearance(in, name)) {
    throw PropertyFault{kNoProperty};
  }
}

void ReadMemoProperty(ComponentReader& in, const std::string& name, RecordTarget& target,
                      TControlBounds& bounds) {
  if (ReadBounds(in, name, bounds)) return;
  if (name == "Lines.Strings") {
    ReadStrings(in, target.model.Body);
  } else if (name == "ScrollBars") {
    ReadIdentifier(in);
  } else if (name == "WordWrap") {
    ReadBoolean(in);
  } else if (!ReadAppearance(in, name)) {
    throw PropertyFault{kNoProperty};
  }
}

TControlBounds& BoundsOf(RecordTarget& target) {
  TProjectLayout& layout = target.model.Layout;
  switch (target.control) {
    case Control::kRecipients:
      return layout.ListView;
    case Control::kTo:
      return layout.EditTo;
    case Control::kSubject:
      return layout.EditSubject;
    case Control::kBody:
      return layout.Memo;
    case Control::kAttachments:
      return layout.Attachments;
  }
  return layout.ListView;
}

// " at offset N": where the read that failed began, counted from the file's first byte.
std::string AtOffset(uint64_t offset) {
  return " at offset " + std::to_string(offset);
}

// A name read from a damaged file, fit for a message: a control character
// (a NUL would cut the text short, a line break split it) shows as "?".
std::string Printable(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return name;
}

// `positionalName` names the control the record stands for until the record's own name is read.
void ReadRecord(ComponentReader& in, RecordTarget target, const char* positionalName) {
  char signature[4] = {};
  try {
    in.ReadBytes(signature, 4);
  } catch (const StreamReadError&) {
    throw ProjectFileError("Invalid stream format" + AtOffset(in.ReadOffset()));
  }
  if (std::string_view(signature, 4) != std::string_view(kStreamSignature, 4))
    throw ProjectFileError("Invalid stream format" + AtOffset(in.ReadOffset()));
  std::string where = positionalName;
  try {
    in.ShortString();  // class name: the record's position decides the control
    std::string componentName = Printable(in.ShortString());
    if (!componentName.empty()) where = componentName;
    TControlBounds& bounds = BoundsOf(target);
    for (std::string name = in.ShortString(); !name.empty(); name = in.ShortString()) {
      try {
        switch (target.control) {
          case Control::kRecipients:
          case Control::kAttachments:
            ReadListViewProperty(in, name, target, bounds);
            break;
          case Control::kTo:
          case Control::kSubject:
            ReadEditProperty(in, name, target, bounds);
            break;
          case Control::kBody:
            ReadMemoProperty(in, name, target, bounds);
            break;
        }
      } catch (const PropertyFault& fault) {
        throw ProjectFileError("Error reading " + componentName + "." + Printable(name) + ": " +
                               fault.reason + AtOffset(in.ReadOffset()));
      } catch (const StreamReadError& error) {
        throw ProjectFileError(error.what() + AtOffset(in.ReadOffset()) + " in " + where + "." +
                               Printable(name));
      }
    }
    // These controls have no children; anything else is not a project file.
    if (in.Byte() != 0)
      throw ProjectFileError("Invalid stream format" + AtOffset(in.ReadOffset()) + " in " + where);
  } catch (const StreamReadError& error) {
    throw ProjectFileError(error.what() + AtOffset(in.ReadOffset()) + " in " + where);
  }
}

// Files of the earlier layout had the columns e-mail, name, result.
void ConvertOldLayout(ProjectModel& model) {
  if (model.Columns.size() > 1) model.Columns[1].Caption = "Result";
  if (model.Columns.size() > 2) model.Columns[2].Caption = "Name";
  for (auto& item : model.Items) {
    if (item.SubItems.empty()) continue;
    if (item.SubItems.size() < 2) item.SubItems.resize(2);
    std::swap(item.SubItems[0], item.SubItems[1]);
  }
}

void ReadProject(ComponentReader& in, ProjectModel& model) {
  model.Columns.clear();
  model.Items.clear();
  model.To.clear();
  model.Subject.clear();
  model.Body.clear();
  model.Attachments.clear();
  model.AttachmentViewStyle = TViewStyle::vsIcon;
  ReadRecord(in, {Control::kRecipients, model}, "ListView1");
  ReadRecord(in, {Control::kTo, model}, "edTo");
  ReadRecord(in, {Control::kSubject, model}, "edSubject");
  ReadRecord(in, {Control::kBody, model}, "Memo1");
  ReadRecord(in, {Control::kAttachments, model}, "lvAttachments");
  // Columns 0 and 1 are relied on everywhere (address and result); a file
  // without them gets them back rather than a list that cannot be shown.
  if (model.Columns.empty()) model.Columns.push_back({"Email", 120});
  if (model.Columns.size() < 2) model.Columns.push_back({"Result", 290});
  if (model.Layout.EditSubject.Top < kSubjectTop) {
    model.Layout.EditSubject.Top = kSubjectTop;
    ConvertOldLayout(model);
  }
}

// Reads into a copy so that a failure leaves the caller's model as it was.
ProjectModel FreshModelLike(const ProjectModel& model) {
  ProjectModel fresh;
  fresh.ContentType = model.ContentType;
  fresh.Layout = model.Layout;
  fresh.Layout.EditSubject.Top = kSubjectTop;
  return fresh;
}

void Adopt(ProjectModel& target, ProjectModel&& read) {
  target.Columns = std::move(read.Columns);
  target.Items = std::move(read.Items);
  target.To = std::move(read.To);
  target.Subject = std::move(read.Subject);
  target.Body = std::move(read.Body);
  target.Attachments = std::move(read.Attachments);
  target.AttachmentViewStyle = read.AttachmentViewStyle;
  target.Layout = std::move(read.Layout);
}

}  // namespace

std::string WriteProjectStream(const ProjectModel& model, const ProjectSaveOptions& options) {
  StringSink sink;
  WriteProject(sink, model, options);
  return std::move(sink.bytes);
}

void ReadProjectStream(std::string_view bytes, ProjectModel& model) {
  ProjectModel read = FreshModelLike(model);
  ComponentReader in(bytes);
  ReadProject(in, read);
  Adopt(model, std::move(read));
}

void SaveProject(const ProjectModel& model, const std::string& path, const ProjectSaveOptions& options) {
  try {
    AtomicFile file(path);
    AtomicFileSink sink(file);
    WriteProject(sink, model, options);
    file.Commit();
  } catch (const AtomicFileError& error) {
    // "Cannot create file demo.nvp: permission denied"; a later step is named:
    // "Cannot create file demo.nvp: write failed: no space left on device".
    std::string why =
        error.step() == kCreateStep ? error.reason() : error.step() + " failed: " + error.reason();
    throw ProjectFileError("Cannot create file " + path + ": " + why);
  }
}

void LoadProject(ProjectModel& model, const std::string& path) {
  std::FILE* raw = std::fopen(path.c_str(), "rb");
  if (raw == nullptr) throw ProjectFileError("Cannot open file " + path);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(raw, &std::fclose);
  struct stat info {};
  if (fstat(fileno(raw), &info) != 0 || !S_ISREG(info.st_mode))
    throw ProjectFileError("Cannot open file " + path);
  ProjectModel read = FreshModelLike(model);
  ComponentReader in(raw, static_cast<uint64_t>(info.st_size));
  ReadProject(in, read);
  Adopt(model, std::move(read));
  model.FProjectFileName = path;
  model.FModified = false;
}

}  // namespace norvane
