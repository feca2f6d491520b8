#pragma once
// What screen readers and automation tools see of the window's own controls:
// the status bar as a status bar, the gauge as a progress bar with its values,
// each lamp as an on/off state, the panels as named groups, and the result
// list's rows with only the focused control's row reported as focused.

// Installs the program's accessible interfaces; idempotent. The controls that
// need them call it when they are built.
void EnsureAccessibleInterfaces();

// Announces a value or state change of a control to assistive tools.
class QWidget;
void NotifyAccessibleValueChanged(QWidget *widget, int value);
void NotifyAccessibleCheckedChanged(QWidget *widget);
