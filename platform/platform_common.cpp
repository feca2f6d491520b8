// The parts of the platform layer that are the same on every system.
#include "platform/platform.h"

#include <ctime>

namespace platform {

namespace {

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

} // namespace

Error ErrorFromTable(int code, std::span<const CodeKind> table)
{
    Error e;
    e.code = code;
    e.kind = code == 0 ? ErrorKind::None : ErrorKind::Other;
    for (const CodeKind &k : table) {
        if (k.code == code) {
            e.kind = k.kind;
            break;
        }
    }
    return e;
}

Error MakeError(ErrorKind kind)
{
    Error e;
    e.kind = kind;
    return e;
}

bool HasFileName(const Path &path)
{
    return !path.empty() && !isSeparator(path.back());
}

Path TemporaryPrefix(const Path &target)
{
    std::size_t start = target.size();
    while (start > 0 && !isSeparator(target[start - 1]))
        --start;
    // Room for the dots, the tag and the six characters within the longest
    // name, cut between characters. A hidden name in the same folder: same
    // file system, so the rename is atomic, and nothing visible stays if the
    // program dies meanwhile. The tag keeps the clean-up of leftovers off
    // the user's own files: ".cis.txt.backup" is a dot, the name, a dot and
    // six letters too.
    std::string name = target.substr(start);
    if (name.size() > 200) {
        std::size_t cut = 200;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return target.substr(0, start) + '.' + name + ".verdane-tmp-";
}

bool IsTemporaryName(const std::string &name, const std::string &prefixName)
{
    if (name.size() != prefixName.size() + 6 || name.compare(0, prefixName.size(), prefixName) != 0)
        return false;
    for (std::size_t i = prefixName.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::int64_t NowSec()
{
    return std::int64_t(std::time(nullptr));
}

} // namespace platform
