#include "platform/qt/qt_dialogs.h"

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/commands.h"
#include "app/dialogs.h"

namespace quorvel {

namespace {

// A dialog whose buttons, Escape and close box go to the shell's dialog procedure.
class ProcedureDialog : public QDialog {
 public:
  ProcedureDialog(QWidget* owner, ws::DialogProcedure procedure)
      : QDialog(owner), procedure_(procedure) {}

  void command(int id) { procedure_(this, ws::DialogEvent::Command, id); }
  void reject() override { command(DIALOG_CANCEL); }

 private:
  ws::DialogProcedure procedure_;
};

QLineEdit* field(ProcedureDialog* dialog, int id) {
  auto* edit = new QLineEdit(dialog);
  edit->setObjectName(QString::number(id));
  return edit;
}

QPushButton* button(ProcedureDialog* dialog, const char* text, int id) {
  auto* push = new QPushButton(text, dialog);
  push->setDefault(true);
  QObject::connect(push, &QPushButton::clicked, dialog, [dialog, id] { dialog->command(id); });
  return push;
}

QHBoxLayout* okCancel(ProcedureDialog* dialog) {
  auto* row = new QHBoxLayout;
  row->addWidget(button(dialog, "Ok", DIALOG_OK));
  row->addWidget(button(dialog, "Cancel", DIALOG_CANCEL));
  return row;
}

// A group of x, y and z fields.
QGroupBox* vectorGroup(ProcedureDialog* dialog, const char* title, int x, int y, int z) {
  auto* group = new QGroupBox(title, dialog);
  auto* row = new QHBoxLayout(group);
  const std::pair<const char*, int> items[] = {{"x", x}, {"y", y}, {"z", z}};
  for (const auto& [label, id] : items) {
    row->addWidget(new QLabel(label, group));
    row->addWidget(field(dialog, id));
  }
  return group;
}

void pair(QGridLayout* grid, ProcedureDialog* dialog, int row, int column, const char* label,
          int id) {
  grid->addWidget(new QLabel(label, dialog), row, column);
  grid->addWidget(field(dialog, id), row, column + 1);
}

void buildQueryInfo(ProcedureDialog* dialog) {
  dialog->setWindowTitle("Query Info");
  auto* layout = new QVBoxLayout(dialog);
  auto* top = new QGridLayout;
  pair(top, dialog, 0, 0, "Label", 1203);
  pair(top, dialog, 0, 2, "Classi", 1220);
  layout->addLayout(top);
  layout->addWidget(vectorGroup(dialog, "Surface Normal", 1204, 1207, 1208));
  layout->addWidget(vectorGroup(dialog, "Max Pt", 1209, 1210, 1211));
  layout->addWidget(vectorGroup(dialog, "Min Pt", 1212, 1213, 1214));
  auto* size = new QGroupBox("Object Size", dialog);
  auto* sizeRow = new QGridLayout(size);
  pair(sizeRow, dialog, 0, 0, "width", 1215);
  pair(sizeRow, dialog, 0, 2, "height", 1216);
  layout->addWidget(size);
  auto* bottom = new QGridLayout;
  pair(bottom, dialog, 0, 0, "Point Num", 1218);
  pair(bottom, dialog, 0, 2, "Var", 1219);
  pair(bottom, dialog, 1, 0, "Boundary Pt", 1222);
  pair(bottom, dialog, 1, 2, "Density", 1221);
  layout->addLayout(bottom);
  layout->addLayout(okCancel(dialog));
}

void buildAbout(ProcedureDialog* dialog) {
  dialog->setWindowTitle("Information");
  auto* layout = new QVBoxLayout(dialog);
  for (const char* line :
       {"A Processor on DS data", "Quorvel developers", "quorvel@users.invalid"}) {
    auto* text = new QLabel(line, dialog);
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(text);
  }
  layout->addWidget(button(dialog, "OK", DIALOG_OK), 0, Qt::AlignHCenter);
}

// Where the dialog logic says why a field was refused, beside the field.
QLabel* message(ProcedureDialog* dialog, int id) {
  auto* text = new QLabel(dialog);
  text->setObjectName(QString::number(id));
  text->setStyleSheet("color: #b00000");
  return text;
}

void buildMaskRange(ProcedureDialog* dialog) {
  dialog->setWindowTitle("Set Mask Range");
  auto* layout = new QHBoxLayout(dialog);
  auto* fields = new QGridLayout;
  pair(fields, dialog, 0, 0, "stno", IDC_MASK_STNO);
  fields->addWidget(message(dialog, IDC_MASK_STNO_MESSAGE), 0, 2);
  pair(fields, dialog, 1, 0, "edno", IDC_MASK_EDNO);
  fields->addWidget(message(dialog, IDC_MASK_EDNO_MESSAGE), 1, 2);
  layout->addLayout(fields);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(button(dialog, "Ok", DIALOG_OK));
  buttons->addWidget(button(dialog, "Cancel", DIALOG_CANCEL));
  layout->addLayout(buttons);
}

QWidget* item(ws::DialogWindow dialog, int id) {
  return static_cast<QDialog*>(dialog)->findChild<QWidget*>(QString::number(id));
}

}  // namespace

intptr_t runQtDialog(QWidget* owner, int resourceId, ws::DialogProcedure procedure) {
  ProcedureDialog dialog(owner, procedure);
  if (resourceId == IDD_QUERY_INFO)
    buildQueryInfo(&dialog);
  else if (resourceId == IDD_ABOUT)
    buildAbout(&dialog);
  else
    buildMaskRange(&dialog);
  procedure(&dialog, ws::DialogEvent::InitDialog, 0);
  return dialog.exec();
}

void setQtDialogItemText(ws::DialogWindow dialog, int id, const std::string& text) {
  QWidget* widget = item(dialog, id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(QString::fromStdString(text));
  if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QString::fromStdString(text));
}

std::string qtDialogItemText(ws::DialogWindow dialog, int id) {
  auto* edit = qobject_cast<QLineEdit*>(item(dialog, id));
  return edit ? edit->text().toStdString() : std::string();
}

void endQtDialog(ws::DialogWindow dialog, intptr_t result) {
  static_cast<QDialog*>(dialog)->done(static_cast<int>(result));
}

}  // namespace quorvel
