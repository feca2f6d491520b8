#pragma once
// vela_ini: free functions over plain texts: program paths, the settings
// file, window geometry texts, file date and copy. No display needed here.
#include <QDateTime>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// ---- Program paths -------------------------------------------------------
// The running program's path; tests may replace it (empty text restores the
// real one).
QString ProgramPath();
void SetProgramPathForTesting(const QString &path);

// The rules themselves, on any program path. A path in Windows form (drive
// letter or backslashes) is cut at "\", ":" and "/" and its directory is
// lowered; a Linux path is cut at "/" only and keeps its letter case.
QString ProgramDirOf(const QString &programPath);
QString ProgramBaseNameOf(const QString &programPath, bool upper = false);
QString IniFileNameOf(const QString &programPath);
QString ProgramTitleOf(const QString &programPath);
// The part of any path after its last separator, by the same rules (so a
// Windows path brought in a settings file still gives its file name).
QString FileNamePartOf(const QString &path);

// The same on the running program's path.
QString ProgramDir();
QString ProgramBaseName(bool upper = false);
// The settings file: beside the program when it is portable, else the same
// name in the per-user configuration folder (see program_folders.h).
QString IniFileName();
QString ProgramTitle();

// ---- Settings file (private-profile format) ------------------------------
// The longest value IniReadString gives back whole: the platform's buffer
// holds 2048 characters with the terminator, and a longer value is cut.
inline constexpr qsizetype IniLongestValue = 2047;

// An empty iniFile stands for IniFileName().
QString IniReadString(const QString &section, const QString &key, const QString &defaultValue,
                      const QString &iniFile = QString());
// Throws AppError "Impossible d'écrire dans %s" when the write cannot be done;
// the file is then left exactly as it was.
// False for texts the file format cannot hold (a line break anywhere, a "]"
// in the section, a key that would read as something else): writing them
// is refused whatever the file, so retrying could never help.
bool IniCanStore(const QString &section, const QString &key, const QString &value);
void IniWriteString(const QString &section, const QString &key, const QString &value,
                    const QString &iniFile = QString());

// ---- Geometry ------------------------------------------------------------
QStringList SplitText(const QString &text, const QString &separator);
// Integer conversion of a geometry piece; throws AppError
// "''%s'' n'est pas une valeur entière valide".
int GeometryPieceToInt(const QString &piece);
// Left:Top:Width:Height.
QString GeometryValue(const QRect &outer);

// Applies a stored value to `outer` (the window's outer rectangle) piece by
// piece, in order, with the clamping against the work area's width and
// height. Throws AppError at the first bad piece; pieces already applied stay.
// A value with fewer than four pieces applies those it has.
void ApplyGeometryValue(QRect &outer, const QSize &workArea, const QString &value);

// ---- Files ---------------------------------------------------------------
// Last modification in local time, reduced to two seconds; the zero date
// (30 December 1899, midnight) when there is no such entry.
QDateTime GetFileDate(const QString &path);
// Date text: the calendar date in the user's short date format.
QString DateText(const QDateTime &date);
// Copies through a temporary file renamed into place; false when source and
// destination are the same file (device and inode) or when anything fails.
bool CopyFileOverwrite(const QString &source, const QString &destination);

// ---- Web arguments -------------------------------------------------------
// Removes every character <= U+0020 from both ends.
QString TrimUrlArgument(const QString &text);
// UTF-8 percent-encoding of everything but unreserved characters (RFC 3986).
QString PercentEncodeUrlArgument(const QString &text);
