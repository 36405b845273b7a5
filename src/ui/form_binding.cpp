// Reading and applying option rows through the controls they name.
#include "form_binding.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include "qt_text.h"

namespace scrivane {

int CheckStateOf(const QCheckBox* box) {
  switch (box->checkState()) {
    case Qt::Unchecked: return kUnchecked;
    case Qt::PartiallyChecked: return kGrey;
    case Qt::Checked: return kChecked;
  }
  return kUnchecked;
}

void SetCheckState(QCheckBox* box, int state) {
  // A stored "2" shows the box greyed; the user's own clicks only ever tick or clear it.
  box->setTristate(state == kGrey);
  box->setCheckState(state == kGrey ? Qt::PartiallyChecked : state == kChecked ? Qt::Checked : Qt::Unchecked);
}

QObject* ControlOf(const QWidget* window, const OptionRow& row) {
  if (row.control.empty()) return nullptr;
  return window->findChild<QObject*>(QString::fromLatin1(row.control.data(), static_cast<qsizetype>(row.control.size())));
}

void ApplyOption(const QWidget* window, const OptionRow& row, const FormState& form) {
  QObject* control = ControlOf(window, row);
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    SetCheckState(box, row.Number(form));
  } else if (auto* group = qobject_cast<QButtonGroup*>(control)) {
    if (QAbstractButton* button = group->button(row.Number(form))) button->setChecked(true);
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (combo->isEditable()) {
      combo->setEditText(FromStd(row.Text(form)));
    } else {
      combo->setCurrentIndex(row.Number(form));
    }
  } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
    line->setText(FromStd(row.Text(form)));
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
    text->setPlainText(FromStd(row.Text(form)));
  }
}

void ReadOption(const QWidget* window, const OptionRow& row, FormState& form) {
  const QObject* control = ControlOf(window, row);
  if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
    row.Number(form) = CheckStateOf(box);
  } else if (const auto* group = qobject_cast<const QButtonGroup*>(control)) {
    row.Number(form) = std::max(group->checkedId(), 0);
  } else if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
    if (combo->isEditable()) {
      row.Text(form) = ToStd(combo->currentText());
    } else {
      row.Number(form) = std::max(combo->currentIndex(), 0);
    }
  } else if (const auto* line = qobject_cast<const QLineEdit*>(control)) {
    row.Text(form) = ToStd(line->text());
  } else if (const auto* text = qobject_cast<const QPlainTextEdit*>(control)) {
    row.Text(form) = ToStd(text->toPlainText());
  }
}

}  // namespace scrivane
