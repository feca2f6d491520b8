// Replays a corpus through a target without libFuzzer: each argument is a
// file or a folder of files; options starting with "-" (libFuzzer's) are
// ignored, so both builds take the same command line.
#include "fuzz_target.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

int runFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                           std::size_t(bytes.size()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(u'-'))
            continue;
        if (!QFileInfo(arg).isDir()) {
            failures += runFile(arg);
            ++inputs;
            continue;
        }
        QStringList files;
        QDirIterator it(arg, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        std::sort(files.begin(), files.end());
        for (const QString &f : files) {
            failures += runFile(f);
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
