#pragma once
#include <QLineEdit>

// A one-line box that selects its whole text when it takes the focus from the
// keyboard or from code; a left click places the caret where the user clicked.
class SelectAllLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit SelectAllLineEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
};
