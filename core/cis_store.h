#pragma once
// The line store (CisLines): the whole CIS file as last loaded, one entry per
// line, in file order. Built for speed: the decoded text lives in one buffer
// with line offsets, and an upper-cased twin lets a search test every line in
// one pass over contiguous memory.
#include <QString>
#include <QStringView>
#include <QDateTime>
#include <vector>

class CisStore
{
public:
    CisStore();
    ~CisStore();
    CisStore(CisStore &&) noexcept;
    CisStore &operator=(CisStore &&) noexcept;
    CisStore(const CisStore &) = delete;
    CisStore &operator=(const CisStore &) = delete;

    qsizetype count() const;
    bool isEmpty() const { return count() == 0; }
    // Line i without its line break; valid while the store is unchanged.
    QStringView line(qsizetype i) const;
    void clear();

    // Appends one line (for stores built by hand); throws std::bad_alloc.
    void append(QStringView line);

    // Indices of every line for which LineMatchesQuery(line, query) holds,
    // in store order. Exactly the results of the literal line-by-line test.
    std::vector<qsizetype> search(QStringView query) const;

    // True when the line holds "Non commercialisée" (exact, case-sensitive).
    bool isNotMarketed(qsizetype i) const;

    struct Impl; // opaque outside the core

private:
    friend struct CisStoreAccess;
    Impl *d;
};

// Loader access to the store's internals.
struct CisStoreAccess
{
    static CisStore::Impl *impl(CisStore &s) { return s.d; }
};

// Replaces the content of `store` by the lines of the file at `path`.
// Throws AppError "Impossible d'ouvrir le fichier \"%s\". %s" when the file
// cannot be opened, "Impossible d'insérer une ligne" when memory runs out
// (the store then keeps the lines appended so far).
void LoadCisLines(CisStore &store, const QString &path);

// Decoding and cutting, exposed for tests: bytes -> lines as LoadCisLines does.
void FillStoreFromBytes(CisStore &store, const char *data, qsizetype size);

// Existence test used by the start-up location (links followed).
bool CisFileExists(const QString &path);

// Finds "cis.txt" in `dir` without regard to letter case; returns the full
// path of the entry found, or dir + "cis.txt" when none matches.
QString FindCisTxtIn(const QString &dir);

// Date text: the calendar date in the user's short date format.
QString DateText(const QDateTime &date);
