// A desktop's file manager in miniature: pressing the mouse button on its
// window starts a drag of the file named on the command line, as a file
// URL, wherever the pointer then takes it. Prints "dragging" when the drag
// has started; exits 0 once a window accepted the drop, 1 otherwise. Lets the
// install test import a file into the installed program the way a user does.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget
{
public:
    explicit DragSource(QUrl file) : m_file(std::move(file)) { }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *drag = new QDrag(this);
        auto *mime = new QMimeData;
        mime->setUrls({m_file});
        drag->setMimeData(mime);
        QTimer::singleShot(0, this, [] {
            std::puts("dragging");
            std::fflush(stdout);
        });
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        // Stay a moment: the target may still ask for the data.
        QTimer::singleShot(2000, qApp, [done] { qApp->exit(done == Qt::CopyAction ? 0 : 1); });
    }

private:
    QUrl m_file;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    DragSource source(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    source.setWindowTitle(QStringLiteral("drag source"));
    source.setGeometry(0, 0, 120, 120);
    source.show();
    return app.exec();
}
