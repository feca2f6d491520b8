#pragma once
#include <QWidget>

class QLabel;

// The frameless "Patientez" window shown while the database loads.
class TSplashScreen : public QWidget
{
    Q_OBJECT
public:
    explicit TSplashScreen(QWidget *parent = nullptr);
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
};
