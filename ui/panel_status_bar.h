#pragma once
#include <QLabel>
#include <QWidget>

// Status bar with four panels (50 lowered, 50 raised, 200 lowered, rest raised)
// and a size grip. Each panel exposes its text as its accessible name.
class PanelStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget *parent = nullptr);
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);
    QLabel *panel(int index) const;

protected:
    void resizeEvent(QResizeEvent *) override;

private:
    QLabel *m_panels[4] = {};
    QWidget *m_grip = nullptr;
};
