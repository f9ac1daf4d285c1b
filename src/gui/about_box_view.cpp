#include "gui/about_box_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "gui/product_picture.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

QLabel* Line(const char* name, const std::string& text, QWidget* parent) {
  auto* label = new QLabel(FromAnsi(text), parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

AboutBoxView::AboutBoxView(TAboutBox& form, const TWordTables* tables, QWidget* parent, ViewGuard guard)
    : ModalFormView(form, parent, std::move(guard)) {
  setObjectName("AboutBox");
  setWindowTitle("About Norvane");
  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  auto* icon = new QLabel(panel);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProductPicture(QSize(64, 64), false));
  QLabel* product = Line("ProductName", form.ProductName, panel);
  QFont big = product->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  product->setFont(big);
  QLabel* version = Line("Version", form.Version, panel);
  QLabel* notice = Line("Copyright", form.Notice, panel);
  notice->setWordWrap(true);
  QLabel* system = Line("OSVersion", form.OSVersion, panel);
  QLabel* memory = Line("PhysMem", form.PhysMem, panel);

  auto* heading = new QVBoxLayout;
  heading->addWidget(product);
  heading->addWidget(version);
  heading->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(heading, 1);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addLayout(top);
  panelLayout->addWidget(notice);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(system);
  panelLayout->addWidget(memory);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addLayout(buttons);
  panel->setMinimumWidth(320);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  ApplyWordTable(*this, tables, kAboutBoxWords);

  connect(ok, &QPushButton::clicked, this, [this, &form] { Forward([&form] { form.OKButtonClick(); }); });
}

void RunAboutBox(TAboutBox& form, const TWordTables* tables, QWidget* parent, ViewGuard guard) {
  AboutBoxView view(form, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
