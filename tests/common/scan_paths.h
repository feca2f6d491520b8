#pragma once
// The byte scans' paths this build holds (core/scan_path.h: the portable one,
// and SSE2 on x86-64), so that a test can run each on the same input.
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/scan_path.h"

#include <QByteArray>

// `bytes` loaded on one path.
inline CisStore loadOnPath(ScanPath path, const QByteArray &bytes)
{
    CisStore store;
    FillStoreFromBytes(store, bytes.constData(), bytes.size(), path);
    return store;
}
