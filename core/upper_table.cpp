#include "core/upper_table.h"
#include "core/text_codec.h"

#include <QChar>

namespace CisUpper {
namespace {
struct Tables
{
    char16_t upper[0x10000];
    unsigned char searchByte[0x10000];
    ByteTables bytes;
    Tables()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char16_t u = QChar(char16_t(c)).toUpper().unicode();
            upper[c] = u;
            searchByte[c] = u <= 0xFF ? static_cast<unsigned char>(u) : 0;
        }
        for (int b = 0; b < 256; ++b) {
            const char16_t u = Cp1252Unit(static_cast<unsigned char>(b));
            const unsigned char s = searchByte[u];
            bytes.unit[b] = u;
            bytes.upper[b] = upper[u];
            bytes.fold[b] = s ? s : static_cast<unsigned char>(b);
            bytes.checkUnits[b] = b != 0 && s == 0;
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
    return tables().upper;
}
const unsigned char *searchByteTable()
{
    return tables().searchByte;
}
const ByteTables &byteTables()
{
    return tables().bytes;
}
} // namespace CisUpper
