// The find dialog: shown without blocking the main window, one at a time.
// Its find button hands the dialog's text, direction and match-case option
// to the recipient search; the whole-word option is hidden.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace norvane {

struct TFindDialog;
class TWordTables;

class FindDialogView : public QDialog {
 public:
  FindDialogView(TFindDialog& dialog, std::function<void()> findNext, const TWordTables* tables,
                 QWidget* parent);

  // Shows the logic's text and options again.
  void ShowFields();

 private:
  void TakeFields();

  TFindDialog& dialog_;
  std::function<void()> findNext_;
  QLineEdit* text_;
  QCheckBox* matchCase_;
  QRadioButton* up_;
  QRadioButton* down_;
  QPushButton* findButton_;
};

// Shows the find dialog of `dialog` (made on first use, later brought to the
// front); `findNext` runs when its find button is pressed. Returns it.
FindDialogView* ShowFindDialogView(TFindDialog& dialog, std::function<void()> findNext,
                                   const TWordTables* tables, QWidget* parent);

}  // namespace norvane
