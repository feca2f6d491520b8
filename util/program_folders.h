#pragma once
// Where the program keeps its files. A copy run from a folder the user may
// write to is portable: settings file, cis.txt and import copies live beside
// the program, as they always have. An installed copy (a system program
// folder, or any folder the user cannot write to) keeps them in the user's
// own folders instead, so that closing can save and imports can be kept.
#include <QString>

// The rule on any folder: false for a system program folder (even for the
// superuser, who could write there), for a folder that is missing, and for
// one where a trial file cannot be created.
bool IsPortableProgramFolder(const QString &dir);

// The rule on the running program's folder, decided once per folder.
bool ProgramIsPortable();

// The per-user folders an installed copy uses, named after the program
// (e.g. ~/.config/Verdane/ and ~/.local/share/Verdane/ on Linux), ending
// with a separator. Not created here: start-up only reads.
QString PerUserSettingsDir();
QString PerUserDataDir();

// The folder where import copies are kept and cis.txt is looked for, ending
// with a separator: the program's folder when portable, else the per-user
// data folder.
QString CisDataDir();

// Where the import of `dropped` keeps its copy: CisDataDir and the dropped
// file's name; empty when there is no such folder.
QString ImportCopyPath(const QString &dropped);

// Creates the folder that will hold `path` when it is missing; false when it
// cannot be made.
bool EnsureParentFolder(const QString &path);

// The database to load when the saved path names no file: a file of the same
// name among the import copies, else cis.txt there (any letter case). Never
// the program or its settings file.
QString FallbackCisFile(const QString &savedPath);
