#pragma once
#include <QLineEdit>

// A one-line box that selects its whole text when it takes the focus from the
// keyboard or from code; a left click places the caret where the user clicked.
// A selection kept without the focus is drawn in the button-face colour, as
// native boxes draw it, so that only the focused box looks active.
class SelectAllLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit SelectAllLineEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void showSelectionActive(bool active);
};
