#pragma once
// What the line store holds, as the loader fills it and hands it over
// (CisStore's constructor from a LineTable): the text of every line, where
// each line lies in it, and the "not marketed" marks.
#include "core/scan_path.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
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
    PodBuffer(PodBuffer &&other) noexcept
        : data(std::exchange(other.data, nullptr))
        , size(std::exchange(other.size, 0))
        , capacity(std::exchange(other.capacity, 0))
    {
    }
    PodBuffer &operator=(PodBuffer &&other) noexcept
    {
        if (this != &other) {
            std::free(data);
            data = std::exchange(other.data, nullptr);
            size = std::exchange(other.size, 0);
            capacity = std::exchange(other.capacity, 0);
        }
        return *this;
    }
    ~PodBuffer() { std::free(data); }

    void reset() { *this = PodBuffer(); }
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

struct LineTable
{
    // The text, line breaks included, one byte per UTF-16 unit so that a
    // position means the same place in the bytes and in a line's text:
    // - a plain line, whose every character Windows-1252 holds, keeps its
    //   Windows-1252 bytes (the file's own bytes when it is in that code page);
    // - a wide line keeps the search byte of each unit
    //   (CisUpper::searchByteTable), and its text in `wideText`.
    // The search reads both kinds through CisUpper::ByteTables::fold. Line i
    // is [starts[i], ends[i]); what lies between two lines is line-break
    // bytes only (CR, LF, NUL), which no line read from a file holds.
    PodBuffer<unsigned char> bytes;
    PodBuffer<qsizetype> starts;
    PodBuffer<qsizetype> ends;
    // "Non commercialisée" marks, one bit per line.
    std::vector<std::uint64_t> notMarketed;
    // The wide lines, in line order, and where their text starts in wideText.
    struct WideLine
    {
        qsizetype line;
        qsizetype offset;
    };
    std::vector<WideLine> wide;
    PodBuffer<char16_t> wideText;

    qsizetype lineCount() const { return starts.size; }
    void addLine(qsizetype start, qsizetype end)
    {
        if (starts.size == starts.capacity) {
            starts.grow(1);
            ends.reserve(starts.capacity);
        }
        starts.data[starts.size++] = start;
        ends.data[ends.size++] = end;
    }
    // Line holding text position p, searching forward from line `from`.
    qsizetype lineAt(qsizetype from, qsizetype p) const;
    // The text of line i when it is wide, else nullptr.
    const char16_t *wideUnits(qsizetype i) const;

    // Sets every line's mark from the text.
    void markNotMarketed(ScanPath path);
    // Sets them from the plain lines found to hold the mark (in increasing
    // order), and from the text of the wide lines.
    void markListedLines(const std::vector<qsizetype> &lines);

private:
    void markWideLines();
};

// The "Non commercialisée" mark in Windows-1252, as plain lines hold it.
inline constexpr qsizetype kNotMarketedBytes = 18;
const unsigned char *NotMarketedBytes();
