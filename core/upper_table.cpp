#include "core/upper_table.h"
#include "core/cp1252.h"

#include <QChar>

namespace CisUpper {
namespace {
struct Tables
{
    char16_t unit[0x10000];
    unsigned char twin[0x10000];
    // Windows-1252 byte of each unit; 0 for the units it lacks, told apart
    // by decoding the byte back.
    unsigned char cp1252[0x10000] = {};
    ByteTables bytes;
    Tables()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char16_t u = QChar(char16_t(c)).toUpper().unicode();
            unit[c] = u;
            twin[c] = u <= 0xFF ? static_cast<unsigned char>(u) : 0;
        }
        for (int b = 0; b < 256; ++b) {
            const char16_t u = Cp1252Unit(static_cast<unsigned char>(b));
            cp1252[u] = static_cast<unsigned char>(b);
            bytes.unit[b] = u;
            bytes.upper[b] = unit[u];
            bytes.fold[b] = twin[u] ? twin[u] : static_cast<unsigned char>(b);
            bytes.loose[b] = b != 0 && twin[u] == 0;
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
const ByteTables &byteTables()
{
    return tables().bytes;
}
const unsigned char *cp1252Table()
{
    return tables().cp1252;
}
int Cp1252Byte(char16_t unit)
{
    const Tables &t = tables();
    const unsigned char b = t.cp1252[unit];
    return t.bytes.unit[b] == unit ? b : -1;
}
} // namespace CisUpper
