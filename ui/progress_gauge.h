#pragma once
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
