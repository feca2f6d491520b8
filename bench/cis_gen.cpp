// Writes a large CIS-like file for the benchmarks: the lines of a real CIS
// file repeated in order, each with a fresh 8-digit code, Windows-1252 and
// CR LF as the agency publishes it. Without a real file, built-in lines.
//   cis_gen <real file or -> <output> <line count>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: cis_gen <real file or -> <output> <line count>\n");
        return 2;
    }
    std::vector<std::string> lines;
    if (std::strcmp(argv[1], "-") != 0) {
        std::ifstream in(argv[1], std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        size_t pos = 0;
        while (pos < all.size()) {
            size_t end = all.find('\n', pos);
            if (end == std::string::npos)
                end = all.size();
            std::string l = all.substr(pos, end - pos);
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            lines.push_back(l);
            pos = end + 1;
        }
    }
    if (lines.empty()) {
        // "é" and "’" in Windows-1252, as in the real file.
        lines = {
            "0\tPARACETAMOL EXEMPLE 500 mg, comprim\xE9\tcomprim\xE9\torale\tAutorisation active\tProc\xE9"
            "dure nationale\tCommercialis\xE9"
            "e\t12/03/1998\t\t\tWarning disponible\tNon",
            "0\tEXEMPLE L\x92"
            "ACIDE 1 g, poudre pour solution buvable\tpoudre\torale;rectale\tAutorisation abrog\xE9"
            "e\tProc\xE9"
            "dure de reconnaissance mutuelle\tNon commercialis\xE9"
            "e\t01/07/2005\t\t\t\tNon",
            "0\tPOMMADE \"TYPE\" 10 %, pommade\tpommade\tcutan\xE9"
            "e\tAutorisation active\tProc\xE9"
            "dure centralis\xE9"
            "e\tCommercialis\xE9"
            "e\t20/11/2012\t\t\t\tOui",
        };
    }
    const long count = std::strtol(argv[3], nullptr, 10);
    std::FILE *out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    std::string buf;
    for (long i = 0; i < count; ++i) {
        const std::string &l = lines[size_t(i) % lines.size()];
        const size_t tab = l.find('\t');
        char code[16];
        std::snprintf(code, sizeof code, "%08ld", 10000000 + i % 90000000);
        buf += code;
        if (tab != std::string::npos)
            buf.append(l, tab, std::string::npos);
        buf += "\r\n";
        if (buf.size() > (1 << 20)) {
            std::fwrite(buf.data(), 1, buf.size(), out);
            buf.clear();
        }
    }
    std::fwrite(buf.data(), 1, buf.size(), out);
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
