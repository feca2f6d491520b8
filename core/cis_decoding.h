#pragma once
// The CIS file's bytes to the store's lines: the decoding chosen by the
// byte-order mark (UTF-8, UTF-16 either way, else UTF-8 or Windows-1252 by
// the bytes themselves), then the cutting (core/line_cutting.h).
#include "core/cis_store.h"
#include "core/scan_path.h"

#include <QtGlobal>

// Replaces the store's content by the lines of `data`, as LoadCisLines does
// with a file's bytes. Throws std::bad_alloc with the lines cut so far kept.
// Tests pass each path of core/scan_path.h; the program takes the default.
void FillStoreFromBytes(CisStore &store, const char *data, qsizetype size,
                        ScanPath path = kScanPath);

// The same over `raw`, malloc'd, `size` bytes of content and room for at
// least size + 1: it is taken over and becomes the store's text, decoded in
// place.
void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size,
                             ScanPath path = kScanPath);
