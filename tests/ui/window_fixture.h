#pragma once
// A program folder of its own for each test: the settings file and cis.txt
// live in a temporary directory, and the quit request is only recorded.
#include "frm_cis.h"
#include "vela_ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace fixture {

using namespace Qt::StringLiterals;

struct ProgramFolder
{
    QTemporaryDir dir;
    int quitRequests = 0;

    std::function<void()> realQuit = TForm_CIS::quitRequest();

    ProgramFolder()
    {
        SetProgramPathForTesting(programPath());
        TForm_CIS::quitRequest() = [this] { ++quitRequests; };
        CisFilePath.clear();
    }
    ~ProgramFolder()
    {
        TForm_CIS::quitRequest() = realQuit;
        SetProgramPathForTesting(QString());
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString programPath() const { return path(u"Verdane"_s); }
    QString iniPath() const { return path(u"Verdane.INI"_s); }
};

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// Three products, Windows-1252 as published.
inline QByteArray sampleCis()
{
    return QByteArray("60000001\tDOLIPRANE 500 mg, comprim\xE9\tcomprim\xE9\torale\tAutorisation active\tProc\xE9"
                      "dure nationale\tCommercialis\xE9" "e\t12/03/1998\t\t\tNon\r\n"
                      "60000002\tASPIRINE 100 mg\tcomprim\xE9\torale\tAutorisation active\tProc\xE9"
                      "dure nationale\tNon commercialis\xE9" "e\t01/01/2000\t\t\tNon\r\n"
                      "60000003\tAMOXICILLINE 1 g\tg\xE9lule\torale\tAutorisation abrog\xE9" "e\tProc\xE9"
                      "dure nationale\tCommercialis\xE9" "e\t05/05/2005\t\t\tNon\r\n");
}

// Builds the window (FormCreate runs inside) and shows it.
inline std::unique_ptr<TForm_CIS> openWindow(bool show = true)
{
    auto w = std::make_unique<TForm_CIS>();
    if (show) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
    }
    return w;
}

} // namespace fixture
