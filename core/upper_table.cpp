#include "upper_table.h"

#include <QChar>

namespace CisUpper {
namespace {
struct Tables
{
    char16_t unit[0x10000];
    unsigned char twin[0x10000];
    Tables()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char16_t u = QChar(char16_t(c)).toUpper().unicode();
            unit[c] = u;
            twin[c] = u <= 0xFF ? static_cast<unsigned char>(u) : 0;
        }
    }
};
const Tables &tables()
{
    static const Tables t;
    return t;
}
} // namespace

const char16_t *unitTable()
{
    return tables().unit;
}
const unsigned char *twinTable()
{
    return tables().twin;
}
} // namespace CisUpper
