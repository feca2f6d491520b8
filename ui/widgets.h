#pragma once
// Small controls of the main window that Qt has no exact match for.
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// Progress gauge: black frame, white ground, blue fill, centred "%d%%" drawn
// in the inverse colour of what lies under it.
class ProgressGauge : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressGauge(QWidget *parent = nullptr);
    void setMinValue(int v);
    void setMaxValue(int v);
    // Repaints at once, but only when the whole percentage changes.
    void setProgress(int v);
    int minValue() const { return m_min; }
    int maxValue() const { return m_max; }
    int progress() const { return m_progress; }
    int percent() const; // (progress - min) * 100 / (max - min), 0 when max == min

protected:
    void paintEvent(QPaintEvent *) override;

private:
    int m_min = 0, m_max = 100, m_progress = 0;
};

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

// One-line record box with its caption label above it. The label moves,
// shows and hides with the box; a double-click on it emits labelDoubleClicked.
class LabeledLineEdit : public QLineEdit
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
    void focusInEvent(QFocusEvent *e) override; // selects all unless entered by a left click
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QLabel *m_label = nullptr;
};

// The search box: every letter typed or pasted turns to upper case
// (unit by unit, accented letters included).
class UpperCaseLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit UpperCaseLineEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *e) override; // selects all unless entered by a left click
};
