#include "gui/component_widgets.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBox>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "ui/component_tree.h"
#include "ui/multi_lang.h"
#include "ui/word_tables.h"

namespace norvane {

QString WordText(std::string_view ansi) {
  return QString::fromStdString(AnsiToUtf8(ansi));
}

namespace {

QStringList WordList(const std::vector<std::string>& lines) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) list.append(WordText(line));
  return list;
}

// Names as the tables compare them: letter case ignored over ASCII.
QString NameKey(const QString& name) {
  return name.toLower();
}

// Every named object under `root` by name; where two share a name the first
// found (the shallowest) wins.
QHash<QString, QObject*> NamedObjects(QWidget& root) {
  QHash<QString, QObject*> named;
  const QList<QObject*> objects = root.findChildren<QObject*>();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    if (!(*it)->objectName().isEmpty()) named.insert(NameKey((*it)->objectName()), *it);
  }
  return named;
}

void SetCaption(QObject* object, const QString& caption) {
  if (auto* label = qobject_cast<QLabel*>(object)) {
    label->setText(caption);
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
    group->setTitle(caption);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setText(caption);
  } else if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->setTitle(caption);
  }
}

// A page of a tab widget or tool box takes its caption as its tab's text.
void SetPageCaption(QObject* object, const QString& caption) {
  auto* page = qobject_cast<QWidget*>(object);
  if (page == nullptr) return;
  for (QWidget* holder = page->parentWidget(); holder != nullptr; holder = holder->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(holder)) {
      if (int index = tabs->indexOf(page); index >= 0) tabs->setTabText(index, caption);
      return;
    }
    if (auto* box = qobject_cast<QToolBox*>(holder)) {
      if (int index = box->indexOf(page); index >= 0) box->setItemText(index, caption);
      return;
    }
  }
}

void SetPages(QObject* object, const QStringList& pages) {
  if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
    for (int i = 0; i < tabs->count() && i < pages.size(); ++i) tabs->setTabText(i, pages[i]);
  } else if (auto* bar = qobject_cast<QTabBar*>(object)) {
    while (bar->count() < pages.size()) bar->addTab(QString());
    for (int i = 0; i < pages.size(); ++i) bar->setTabText(i, pages[i]);
  }
}

void SetItems(QObject* object, const QStringList& items, int itemIndex) {
  if (auto* combo = qobject_cast<QComboBox*>(object)) {
    const int current = itemIndex >= 0 ? itemIndex : combo->currentIndex();
    const QString editText = combo->currentText();
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(current < items.size() ? current : -1);
    if (combo->isEditable() && current < 0) combo->setEditText(editText);
  } else if (auto* list = qobject_cast<QListWidget*>(object)) {
    const int current = itemIndex >= 0 ? itemIndex : list->currentRow();
    list->clear();
    list->addItems(items);
    if (current >= 0 && current < items.size()) list->setCurrentRow(current);
  }
}

void SetRadioItems(QObject* object, const QStringList& items) {
  auto* group = qobject_cast<QWidget*>(object);
  if (group == nullptr) return;
  const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
  for (int i = 0; i < buttons.size() && i < items.size(); ++i) buttons[i]->setText(items[i]);
}

void SetText(QObject* object, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(object)) {
    edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
    if (combo->isEditable()) combo->setEditText(text);
  } else if (auto* status = qobject_cast<QStatusBar*>(object)) {
    status->showMessage(text);
  }
}

void SetLines(QObject* object, const QStringList& lines) {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(object)) {
    plain->setPlainText(lines.join(u'\n'));
  } else if (auto* rich = qobject_cast<QTextEdit*>(object)) {
    rich->setPlainText(lines.join(u'\n'));
  }
}

void SetColumns(QObject* object, const QStringList& columns) {
  if (columns.isEmpty()) return;
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    tree->setHeaderLabels(columns);
  } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
    if (table->columnCount() < columns.size()) table->setColumnCount(static_cast<int>(columns.size()));
    table->setHorizontalHeaderLabels(columns);
  }
}

void SetRows(QObject* object, const std::vector<TListViewRow>& rows) {
  if (rows.empty()) return;
  const int count = static_cast<int>(rows.size());
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    while (tree->topLevelItemCount() < count) tree->addTopLevelItem(new QTreeWidgetItem(tree));
    for (int i = 0; i < count; ++i) {
      QTreeWidgetItem* item = tree->topLevelItem(i);
      item->setText(0, WordText(rows[i].Caption));
      for (std::size_t j = 0; j < rows[i].SubItems.size(); ++j) {
        item->setText(static_cast<int>(j + 1), WordText(rows[i].SubItems[j]));
      }
    }
  } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
    if (table->rowCount() < count) table->setRowCount(count);
    for (int i = 0; i < count; ++i) {
      const int cells = static_cast<int>(rows[i].SubItems.size()) + 1;
      if (table->columnCount() < cells) table->setColumnCount(cells);
      table->setItem(i, 0, new QTableWidgetItem(WordText(rows[i].Caption)));
      for (int j = 1; j < cells; ++j) {
        table->setItem(i, j,
                       new QTableWidgetItem(WordText(rows[i].SubItems[static_cast<std::size_t>(j - 1)])));
      }
    }
  }
}

void SetNodeTexts(QObject* object, const QStringList& texts) {
  auto* tree = qobject_cast<QTreeWidget*>(object);
  if (tree == nullptr) return;
  int index = 0;
  for (QTreeWidgetItemIterator it(tree); *it != nullptr && index < texts.size(); ++it) {
    (*it)->setText(0, texts[index++]);
  }
}

void SetPanels(QObject* object, const QStringList& panels) {
  auto* status = qobject_cast<QStatusBar*>(object);
  if (status == nullptr) return;
  const QList<QLabel*> labels = status->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (int i = 0; i < labels.size() && i < panels.size(); ++i) labels[i]->setText(panels[i]);
}

// A filter "Description|*.ext|..." shows its descriptions.
QStringList FilterDescriptions(const std::string& filter) {
  const QStringList parts = WordText(filter).split(u'|');
  QStringList descriptions;
  for (qsizetype i = 0; i < parts.size(); i += 2) descriptions.append(parts[i]);
  return descriptions;
}

// Hints follow the "short|long" form: the tool tip shows the short part, the
// status bar the long one; a hint without "|" is both.
void SetHint(QObject* object, const std::string& hint) {
  const QString text = WordText(hint);
  const qsizetype bar = text.indexOf(u'|');
  const QString shortHint = bar < 0 ? text : text.left(bar);
  const QString longHint = bar < 0 ? text : text.mid(bar + 1);
  if (auto* menu = qobject_cast<QMenu*>(object)) object = menu->menuAction();
  if (auto* action = qobject_cast<QAction*>(object)) {
    action->setToolTip(shortHint);
    action->setStatusTip(longHint);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    widget->setToolTip(shortHint);
    widget->setStatusTip(longHint);
  }
}

void ApplyComponent(const TUiComponent& component, QObject* object) {
  switch (component.Kind) {
    case TComponentKind::ListBox:
    case TComponentKind::ComboBox:
      SetItems(object, WordList(component.Items), component.ItemIndex);
      if (component.Kind == TComponentKind::ComboBox && component.ItemIndex < 0) {
        SetText(object, WordText(component.Text));
      }
      break;
    case TComponentKind::RadioGroup:
      SetCaption(object, WordText(component.Caption));
      SetRadioItems(object, WordList(component.Items));
      break;
    case TComponentKind::Memo:
      SetLines(object, component.Items.empty() && !component.Text.empty()
                           ? QStringList{WordText(component.Text)}
                           : WordList(component.Items));
      break;
    case TComponentKind::Header:
    case TComponentKind::HeaderControl:
      SetColumns(object,
                 WordList(component.Kind == TComponentKind::Header ? component.Items : component.Columns));
      break;
    case TComponentKind::Notebook:
    case TComponentKind::TabControl:
    case TComponentKind::PageControl:
      SetPages(object, WordList(component.Pages));
      break;
    case TComponentKind::TreeView:
      SetNodeTexts(object, WordList(component.Items));
      break;
    case TComponentKind::ListView:
      SetColumns(object, WordList(component.Columns));
      SetRows(object, component.Rows);
      break;
    case TComponentKind::StatusBar:
      SetText(object, WordText(component.Text));
      SetPanels(object, WordList(component.Panels));
      break;
    case TComponentKind::FilterComboBox:
      SetItems(object, FilterDescriptions(component.Filter), component.ItemIndex);
      break;
    case TComponentKind::TabSheet:
      SetPageCaption(object, WordText(component.Caption));
      break;
    case TComponentKind::Edit:
    case TComponentKind::MaskEdit:
      SetText(object, WordText(component.Text));
      break;
    case TComponentKind::OpenDialog:
    case TComponentKind::SaveDialog:
    case TComponentKind::Component:
    case TComponentKind::ProgressBar:
    case TComponentKind::UpDown:
    case TComponentKind::Bevel:
    case TComponentKind::Image:
    case TComponentKind::Form:
      break;
    case TComponentKind::MenuItem:
    case TComponentKind::Label:
    case TComponentKind::Button:
    case TComponentKind::CheckBox:
    case TComponentKind::RadioButton:
    case TComponentKind::Panel:
    case TComponentKind::GroupBox:
    case TComponentKind::ToolButton:
    case TComponentKind::Action:
      SetCaption(object, WordText(component.Caption));
      break;
  }
  if (HasHint(component.Kind)) SetHint(object, component.Hint);
}

// The reverse of the table above, for a view's tree.

std::string Ansi(const QString& text) {
  return Utf8ToAnsi(text.toStdString());
}

std::vector<std::string> AnsiList(const QStringList& list) {
  std::vector<std::string> lines;
  for (const QString& text : list) lines.push_back(Ansi(text));
  return lines;
}

// The tab widget showing `widget` as one of its pages, or null.
QTabWidget* TabsHolding(QWidget* widget) {
  QWidget* stack = widget->parentWidget();
  if (qobject_cast<QStackedWidget*>(stack) == nullptr) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs != nullptr && tabs->indexOf(widget) >= 0 ? tabs : nullptr;
}

// Adds `object` with its kind and design texts; false for an object no kind stands for.
bool AddComponent(TComponentTree& tree, QObject* object) {
  const std::string name = object->objectName().toStdString();
  auto add = [&](TComponentKind kind) -> TUiComponent& {
    TUiComponent& component = tree.Add(name, kind);
    if (auto* widget = qobject_cast<QWidget*>(object)) component.Hint = Ansi(widget->toolTip());
    if (auto* action = qobject_cast<QAction*>(object)) component.Hint = Ansi(action->toolTip());
    return component;
  };
  if (auto* action = qobject_cast<QAction*>(object)) {
    add(TComponentKind::Action).Caption = Ansi(action->text());
  } else if (auto* menu = qobject_cast<QMenu*>(object)) {
    add(TComponentKind::MenuItem).Caption = Ansi(menu->title());
  } else if (auto* label = qobject_cast<QLabel*>(object)) {
    add(TComponentKind::Label).Caption = Ansi(label->text());
  } else if (auto* check = qobject_cast<QCheckBox*>(object)) {
    add(TComponentKind::CheckBox).Caption = Ansi(check->text());
  } else if (auto* radio = qobject_cast<QRadioButton*>(object)) {
    add(TComponentKind::RadioButton).Caption = Ansi(radio->text());
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    add(TComponentKind::Button).Caption = Ansi(button->text());
  } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
    if (group->property("radioGroup").toBool()) {
      TUiComponent& component = add(TComponentKind::RadioGroup);
      component.Caption = Ansi(group->title());
      for (QRadioButton* radio : group->findChildren<QRadioButton*>())
        component.Items.push_back(Ansi(radio->text()));
    } else {
      add(TComponentKind::GroupBox).Caption = Ansi(group->title());
    }
  } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
    TUiComponent& component = add(TComponentKind::PageControl);
    for (int i = 0; i < tabs->count(); ++i) component.Pages.push_back(Ansi(tabs->tabText(i)));
  } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
    add(TComponentKind::Edit).Text = Ansi(edit->text());
  } else if (qobject_cast<QAbstractSpinBox*>(object) != nullptr) {
    add(TComponentKind::UpDown);
  } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
    TUiComponent& component = add(TComponentKind::ComboBox);
    for (int i = 0; i < combo->count(); ++i) component.Items.push_back(Ansi(combo->itemText(i)));
    component.ItemIndex = combo->currentIndex();
  } else if (auto* list = qobject_cast<QListWidget*>(object)) {
    TUiComponent& component = add(TComponentKind::ListBox);
    for (int i = 0; i < list->count(); ++i) component.Items.push_back(Ansi(list->item(i)->text()));
    component.ItemIndex = list->currentRow();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(object)) {
    add(TComponentKind::Memo).Items = AnsiList(plain->toPlainText().split(u'\n'));
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* holder = TabsHolding(widget)) {
      add(TComponentKind::TabSheet).Caption = Ansi(holder->tabText(holder->indexOf(widget)));
    } else {
      add(TComponentKind::Component);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace

TComponentTree ComponentsOf(QWidget& root) {
  TComponentTree tree;
  tree.Form.Caption = Ansi(root.windowTitle());
  for (QObject* object : root.findChildren<QObject*>()) {
    if (object->objectName().isEmpty() || object->objectName().startsWith(QLatin1String("qt_"))) continue;
    if (tree.Find(object->objectName().toStdString()) != nullptr) continue;
    AddComponent(tree, object);
  }
  return tree;
}

void ApplyWordTable(QWidget& root, const TWordTables* tables, std::string_view window) {
  if (tables == nullptr) return;
  TComponentTree tree = ComponentsOf(root);
  try {
    TMultiLang words(tree, nullptr);
    words.Load(tables->Of(window));
  } catch (const std::exception&) {
    // A broken or missing table was reported when the tables were read; the
    // design texts stand.
    return;
  }
  ApplyComponents(tree, root);
}

void ApplyComponents(const TComponentTree& tree, QWidget& root) {
  root.setWindowTitle(WordText(tree.Form.Caption));
  const QHash<QString, QObject*> named = NamedObjects(root);
  for (const TUiComponent& component : tree.Components()) {
    auto found = named.find(NameKey(QString::fromStdString(component.Name)));
    if (found != named.end()) ApplyComponent(component, found.value());
  }
}

}  // namespace norvane
