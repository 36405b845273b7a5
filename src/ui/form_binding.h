// The window's controls and the option table: every row's value is read from,
// and put into, the control whose object name the row gives.
#pragma once

#include "form.h"

class QCheckBox;
class QObject;
class QWidget;

namespace scrivane {

// The control a row names inside `window`, or null (the row names none, or it is missing).
QObject* ControlOf(const QWidget* window, const OptionRow& row);

// Puts the row's value in `form` into its control, through the control's own change behaviour.
void ApplyOption(const QWidget* window, const OptionRow& row, const FormState& form);

// Reads the row's value from its control into `form`; a row without a control is left as it is.
void ReadOption(const QWidget* window, const OptionRow& row, FormState& form);

// The state of a check box as the store keeps it (0 clear, 1 ticked, 2 grey).
int CheckStateOf(const QCheckBox* box);

// Shows a stored state; a grey box goes back to two states once the user clicks it.
void SetCheckState(QCheckBox* box, int state);

}  // namespace scrivane
