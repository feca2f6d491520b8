#pragma once
#include "ui/select_all_line_edit.h"

#include <QLabel>

// One-line record box with its caption label above it. The label moves,
// shows and hides with the box; a double-click on it emits labelDoubleClicked.
class LabeledLineEdit : public SelectAllLineEdit
{
    Q_OBJECT
public:
    LabeledLineEdit(const QString &caption, QWidget *parent);
    ~LabeledLineEdit() override; // the label goes with its box
    QLabel *label() const { return m_label; }
    void placeLabel(); // label left-aligned with the box, ending 3 pixels above it

signals:
    void labelDoubleClicked();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QLabel *m_label = nullptr;
};
