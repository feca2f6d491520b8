#pragma once
// The line store (CisLines): the whole CIS file as last loaded, one entry per
// line, in file order. Built for speed and size: the text lives in one buffer
// of one byte per character (Windows-1252, with the rare lines it cannot
// hold kept aside in UTF-16), so that a search tests every line in one pass
// over contiguous memory and a large file takes little more than its size.
#include "core/scan_path.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

struct LineTable;

class CisStore
{
public:
    CisStore();
    // Takes over what a load has cut (see core/line_table.h).
    explicit CisStore(LineTable &&table);
    ~CisStore();
    // A moved-from store is empty and usable.
    CisStore(CisStore &&) noexcept;
    CisStore &operator=(CisStore &&) noexcept;
    CisStore(const CisStore &) = delete;
    CisStore &operator=(const CisStore &) = delete;

    qsizetype count() const;
    bool isEmpty() const { return count() == 0; }
    // Line i without its line break, decoded afresh: keep the QString, never
    // a QStringView of the temporary.
    QString line(qsizetype i) const;
    // Its length in UTF-16 units, without decoding it.
    qsizetype lineLength(qsizetype i) const;
    // The first `maxUnits` units of line i (all of it when negative) into
    // `out`, reusing its storage: for scans over many lines.
    void readLine(qsizetype i, QString &out, qsizetype maxUnits = -1) const;
    void clear();

    // Appends one line (for stores built by hand); throws std::bad_alloc.
    void append(QStringView line);

    // Indices of every line for which LineMatchesQuery(line, query) holds,
    // in store order. Exactly the results of the literal line-by-line test.
    // Tests pass each path of core/scan_path.h; the program takes the default.
    std::vector<qsizetype> search(QStringView query, ScanPath path = kScanPath) const;

    // True when the line holds "Non commercialisée" (exact, case-sensitive).
    // Worked out as lines arrive, so that no search pays for it.
    bool isNotMarketed(qsizetype i) const;

private:
    LineTable &table();

    std::unique_ptr<LineTable> d; // null in a moved-from store: empty
};
