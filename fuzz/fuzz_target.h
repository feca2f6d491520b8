#pragma once
// Shared by every fault-finding target: the libFuzzer entry point, and a
// check that stops the run with a message when an expectation fails. The
// same sources build as libFuzzer targets (clang) or as plain programs that
// replay a corpus (replay_main.cpp), so the corpus runs in every build.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// Cuts the input at the first `separator` byte: the part before it goes to
// `head`, the rest stays in `rest`. Without the byte, everything is the head.
inline QByteArray takeUntil(QByteArray &rest, char separator)
{
    const qsizetype at = rest.indexOf(separator);
    QByteArray head = at < 0 ? rest : rest.left(at);
    rest = at < 0 ? QByteArray() : rest.mid(at + 1);
    return head;
}

} // namespace fuzz
