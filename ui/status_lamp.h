#pragma once
#include <QWidget>

// Round status lamp, 17 x 17: pure green lit, pure red unlit.
class StatusLamp : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLamp(QWidget *parent = nullptr);
    bool status() const { return m_lit; }
    void setStatus(bool lit); // also updates the accessible description

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool m_lit = true;
};
