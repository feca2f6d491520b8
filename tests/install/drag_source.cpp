// A desktop's file manager in miniature: drags the file named on the command
// line, as a file URL, wherever the pointer takes it. Exits 0 once a window
// accepted the drop, 1 otherwise. Lets the install test import a file into
// the installed program the way a user does.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QUrl file = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]));
    QWidget source;
    source.setWindowTitle(QStringLiteral("drag source"));
    source.setGeometry(0, 0, 120, 120);
    source.show();
    // Started once the test has pressed the button over this window.
    QTimer::singleShot(1500, &source, [&] {
        auto *drag = new QDrag(&source);
        auto *mime = new QMimeData;
        mime->setUrls({file});
        drag->setMimeData(mime);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        // Stay a moment: the target may still ask for the data.
        QTimer::singleShot(3000, &app, [&app, done] { app.exit(done == Qt::CopyAction ? 0 : 1); });
    });
    return app.exec();
}
