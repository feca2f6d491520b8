#pragma once
#include "ui/select_all_line_edit.h"

// The search box: every letter typed or pasted turns to upper case
// (unit by unit, accented letters included).
class UpperCaseLineEdit : public SelectAllLineEdit
{
    Q_OBJECT
public:
    explicit UpperCaseLineEdit(QWidget *parent = nullptr);
};
