#pragma once
// Internals shared by the store and the loader.
#include "cis_store.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>
#include <new>

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
    void shrink()
    {
        if (capacity > size && size > 0) {
            if (void *p = std::realloc(static_cast<void *>(data), size_t(size) * sizeof(T))) {
                data = static_cast<T *>(p);
                capacity = size;
            }
        }
    }
};

struct CisStore::Impl
{
    // Every line followed by one '\n' separator, in both buffers; the twin
    // holds one byte per text unit (see CisUpper::twinTable).
    PodBuffer<char16_t> text;
    PodBuffer<unsigned char> twin;
    // Start of each line in both buffers.
    PodBuffer<qsizetype> starts;
    // "Non commercialisée" marks, one bit per line, computed on first use.
    mutable std::vector<std::uint64_t> notMarketed;
    mutable bool notMarketedValid = false;

    qsizetype lineEnd(qsizetype i) const
    {
        return (i + 1 < starts.size ? starts.data[i + 1] : text.size) - 1;
    }
    void computeNotMarketed() const;
};

// Decodes and cuts `raw` (malloc'd, `size` bytes of content, room for at
// least size + 1 bytes) into the store, replacing its content. Takes
// ownership of `raw`: the buffer is reused for the search twin. Throws
// std::bad_alloc with the lines cut so far kept in the store.
void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size);
