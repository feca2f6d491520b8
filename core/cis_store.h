#pragma once
// The line store (CisLines): the whole CIS file as last loaded, one entry per
// line, in file order. Built for speed: the decoded text lives in one buffer
// with line offsets, and an upper-cased twin lets a search test every line in
// one pass over contiguous memory.
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class CisStore
{
public:
    CisStore();
    ~CisStore();
    // A moved-from store is empty and usable.
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
    // Worked out as lines arrive, so that no search pays for it.
    bool isNotMarketed(qsizetype i) const;

    struct Impl; // defined in cis_store_p.h, for the core's own files

private:
    // The loader fills the internals directly: decoding writes the text, the
    // twin and the line table in one pass.
    friend void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size);
    Impl &impl();

    std::unique_ptr<Impl> d; // null in a moved-from store: empty
};
