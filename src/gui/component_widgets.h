// Word tables on Qt widgets: the one place that knows which Qt class stands
// for which component kind and which of its properties takes which text.
// A view names its widgets (and actions, menus) after the components of its
// window's tree (QObject::objectName, letter case ignored as the tables do),
// the logic class loads its word table into the tree, and ApplyComponents
// copies the tree's texts onto the widgets, Windows-1252 turned into Unicode
// on the way. A component without a widget of its name is left alone: some
// components of a window (timers, tables, file dialogs) have no widget.
//
//   Form                        the root's window title
//   Label, Panel                QLabel text (a QGroupBox or a QAbstractButton
//                               standing for a panel takes it too)
//   Button, CheckBox,
//   RadioButton, ToolButton     QAbstractButton text
//   GroupBox                    QGroupBox title
//   RadioGroup                  QGroupBox title; items on its QRadioButtons in order
//   TabSheet                    its tab's text in the QTabWidget holding the page
//   Notebook, TabControl,
//   PageControl                 QTabWidget / QTabBar tab texts (pages)
//   Action, MenuItem            QAction text (a QMenu: its title)
//   Edit, MaskEdit              QLineEdit text
//   Memo                        QPlainTextEdit / QTextEdit lines
//   ListBox, ComboBox           QListWidget / QComboBox items, the tree's ItemIndex
//                               selected (or the current row kept); an editable
//                               combo box takes the text too
//   FilterComboBox              QComboBox items: the filter's descriptions
//   TreeView                    QTreeWidget node texts, depth first
//   ListView                    QTreeWidget / QTableWidget columns and rows
//   Header, HeaderControl       QTreeWidget / QTableWidget column captions
//   StatusBar                   QStatusBar message; panels on its QLabels in order
//   every kind with a hint      tool tip and status tip ("short|long" split)
//
// The other way, a view's named widgets make its tree: each one's kind from
// its Qt class (a QGroupBox with the property "radioGroup" set is a radio
// group, a page of a QTabWidget a tab sheet, a QSpinBox an up-down control
// that takes no text), its present texts as the window's design texts.
#pragma once

#include <QString>
#include <string_view>

class QWidget;

namespace norvane {

class TComponentTree;
class TWordTables;

void ApplyComponents(const TComponentTree& tree, QWidget& root);

// The named widgets and actions under `root` as a component tree, in the
// order Qt holds them; the window's caption is the root's title.
TComponentTree ComponentsOf(QWidget& root);

// Loads the word table of `window` (a name from word_tables.h) in the start
// language over the named widgets of `root` and shows the texts. Without
// tables, or with a table that cannot be applied, the widgets keep the
// texts they were built with.
void ApplyWordTable(QWidget& root, const TWordTables* tables, std::string_view window);

// A word-table text (Windows-1252) as Qt shows it.
QString WordText(std::string_view ansi);

}  // namespace norvane
