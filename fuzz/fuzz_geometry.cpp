// The geometry restore's text side on any stored value: no overflow (the
// sanitizers watch the arithmetic), errors only as the program's own error,
// and the clamps hold whatever the numbers.
#include "fuzz_target.h"

#include "core/app_error.h"
#include "util/vela_ini.h"

#include <QRect>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QSize workArea(1920, 1040);
    const QRect before(10, 20, 640, 480);
    QRect outer = before;
    bool complete = true;
    try {
        ApplyGeometryValue(outer, workArea, value);
    } catch (const AppError &) {
        complete = false;
    }
    // Nothing is ever wider or taller than the work area, and the top is
    // never above it; what was not applied keeps its value.
    FUZZ_CHECK(outer.width() <= workArea.width());
    FUZZ_CHECK(outer.height() <= workArea.height());
    FUZZ_CHECK(outer.top() >= 0);
    // Corners stay far from the ends of int, so that a window can be built on them.
    FUZZ_CHECK(qAbs(qint64(outer.left()) + outer.width()) < (qint64(1) << 30));
    FUZZ_CHECK(qAbs(qint64(outer.top()) + outer.height()) < (qint64(1) << 30));

    // A value written from a sane rectangle reads back as that rectangle.
    if (complete && outer.width() >= 0 && outer.height() >= 0 && outer.left() <= workArea.width()) {
        QRect again = before;
        ApplyGeometryValue(again, workArea, GeometryValue(outer));
        FUZZ_CHECK(again == outer);
    }
    return 0;
}
