#pragma once
// Internals shared by the store and the loader.
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

// A growable buffer of plain values, malloc-backed so that it can be shrunk in
// place and handed over without copying.
template <typename T>
struct PodBuffer
{
    T *data = nullptr;
    qsizetype size = 0;
    qsizetype capacity = 0;

    PodBuffer() = default;
    PodBuffer(const PodBuffer &) = delete;
    PodBuffer &operator=(const PodBuffer &) = delete;
    ~PodBuffer() { std::free(data); }

    void reset()
    {
        std::free(data);
        data = nullptr;
        size = capacity = 0;
    }
    void reserve(qsizetype n)
    {
        if (n <= capacity)
            return;
        void *p = std::realloc(static_cast<void *>(data), size_t(n) * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        data = static_cast<T *>(p);
        capacity = n;
    }
    void grow(qsizetype extra)
    {
        if (size + extra > capacity)
            reserve(std::max(size + extra, capacity + capacity / 2 + 64));
    }
    // Takes ownership of a malloc'd block.
    void adopt(T *p, qsizetype n, qsizetype cap)
    {
        std::free(data);
        data = p;
        size = n;
        capacity = cap;
    }
    // Gives back the room past size, unless it is under an eighth of the
    // block: then the saving is not worth a move (or, with some allocators,
    // fresh pages at the next load of the same size).
    void shrink()
    {
        if (capacity - size > capacity / 8 && size > 0) {
            if (void *p = std::realloc(static_cast<void *>(data), size_t(size) * sizeof(T))) {
                data = static_cast<T *>(p);
                capacity = size;
            }
        }
    }
};

struct CisStore::Impl
{
    // The text, line breaks included, one byte per UTF-16 unit so that a
    // position means the same place in the bytes and in a line's text:
    // - a plain line, whose every character Windows-1252 holds, keeps its
    //   Windows-1252 bytes (the file's own bytes when it is in that code page);
    // - a wide line keeps the search byte of each unit (CisUpper::twinTable),
    //   and its text in `wideText`.
    // The search reads both kinds through CisUpper::ByteTables::fold. Line i
    // is [starts[i], ends[i]); what lies between two lines is line-break
    // bytes only (CR, LF, NUL), which no line read from a file holds.
    PodBuffer<unsigned char> bytes;
    PodBuffer<qsizetype> starts;
    PodBuffer<qsizetype> ends;
    // "Non commercialisée" marks, one bit per line, kept up to date as lines
    // arrive (the loader hands over the marked lines it found while cutting,
    // markListedLines, or calls computeNotMarketed once the text is cut).
    std::vector<std::uint64_t> notMarketed;
    // The wide lines, in line order, and where their text starts in wideText.
    struct WideLine
    {
        qsizetype line;
        qsizetype offset;
    };
    std::vector<WideLine> wide;
    PodBuffer<char16_t> wideText;

    void addLine(qsizetype start, qsizetype end)
    {
        if (starts.size == starts.capacity) {
            starts.grow(1);
            ends.reserve(starts.capacity);
        }
        starts.data[starts.size++] = start;
        ends.data[ends.size++] = end;
    }
    // Line holding buffer position p, searching forward from line `from`.
    qsizetype lineAt(qsizetype from, qsizetype p) const;
    // The text of line i when it is wide, else nullptr.
    const char16_t *wideUnits(qsizetype i) const;
    // Sets the marks of every line from the text.
    void computeNotMarketed();
    // Sets them from the plain lines that hold the mark, and from the text
    // of the wide lines.
    void markListedLines(const std::vector<qsizetype> &lines);
    void markWideLines();
};

// The "Non commercialisée" mark in Windows-1252, as plain lines hold it.
inline constexpr qsizetype kNotMarketedBytes = 18;
const unsigned char *NotMarketedBytes();

// Decodes and cuts `raw` (malloc'd, `size` bytes of content, room for at
// least size + 1 bytes) into the store, replacing its content. Takes
// ownership of `raw`: the buffer becomes the store's bytes, decoded in place.
// Throws std::bad_alloc with the lines cut so far kept in the store.
void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size);
