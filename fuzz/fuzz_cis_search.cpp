// The store's fast search against the literal line-by-line test, over lines
// and a query taken from the input (the query is the part before the first
// 0x01 byte, the lines the rest), the search on each scan path of the build.
#include "fuzz_target.h"

#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/scan_path.h"
#include "core/text_logic.h"

#include <new>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray rest(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString query = QString::fromUtf8(fuzz::takeUntil(rest, '\x01'));
    CisStore store;
    try {
        FillStoreFromBytes(store, rest.constData(), rest.size());
    } catch (const std::bad_alloc &) {
        return 0;
    }

    std::vector<qsizetype> expected;
    for (qsizetype i = 0; i < store.count(); ++i) {
        if (LineMatchesQuery(store.line(i), query))
            expected.push_back(i);
        FUZZ_CHECK(store.isNotMarketed(i) == HoldsNotMarketed(store.line(i)));
    }
    for (const ScanPath path : kScanPaths)
        FUZZ_CHECK(store.search(query, path) == expected);
    return 0;
}
