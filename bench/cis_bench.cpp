// Speed and memory of loading and searching the line store, against the
// floors they are measured by. One run prints every figure and ratio.
//   cis_bench <file>...           (missing files are reported and skipped)
//   cis_bench --load-peak <file>  (internal: loads once, prints peak memory)
#include "app_error.h"
#include "bench_timing.h"
#include "cis_loader.h"
#include "cis_store.h"
#include "text_logic.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using bench::Clock;
using bench::bestOf;
using bench::msSince;

long statusKib(const char *key)
{
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long v = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0)
            v = std::strtol(line + n, nullptr, 10);
    std::fclose(f);
    return v;
}

std::vector<char> readAll(const char *path, size_t *breaks)
{
    std::vector<char> buf;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return buf;
    struct stat st;
    ::fstat(fd, &st);
    buf.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < buf.size()) {
        const ssize_t k = ::read(fd, buf.data() + got, buf.size() - got);
        if (k <= 0)
            break;
        got += size_t(k);
    }
    ::close(fd);
    buf.resize(got);
    size_t count = 0;
    for (const char *p = buf.data(), *e = p + buf.size(); (p = static_cast<const char *>(std::memchr(p, '\n', size_t(e - p)))); ++p)
        ++count;
    *breaks = count;
    return buf;
}

// The floor: memmem over the file's own bytes, and like the search, on a hit
// go on at the next line.
size_t rawSearch(const std::vector<char> &raw, const std::string &needle)
{
    size_t lines = 0;
    const char *p = raw.data(), *e = p + raw.size();
    while (p < e) {
        const char *f = static_cast<const char *>(memmem(p, size_t(e - p), needle.data(), needle.size()));
        if (!f)
            break;
        ++lines;
        const char *nl = static_cast<const char *>(std::memchr(f, '\n', size_t(e - f)));
        p = nl ? nl + 1 : e;
    }
    return lines;
}

// The reference: every line copied and upper-cased afresh, then searched.
std::vector<qsizetype> literalScan(const CisStore &store, const QString &query)
{
    std::vector<qsizetype> hits;
    for (qsizetype i = 0; i < store.count(); ++i) {
        QString u = store.line(i).toString();
        for (QChar &c : u)
            c = c.toUpper();
        if (!u.isEmpty() && u.contains(query))
            hits.push_back(i);
    }
    return hits;
}

long peakOfFreshLoad(const char *self, const char *path, long *baseline)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    char *argv[] = {const_cast<char *>(self), const_cast<char *>("--load-peak"), const_cast<char *>(path), nullptr};
    pid_t pid;
    const int rc = posix_spawn(&pid, self, &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return -1;
    }
    char out[128] = {};
    ssize_t n = ::read(fds[0], out, sizeof out - 1);
    ::close(fds[0]);
    int status;
    ::waitpid(pid, &status, 0);
    long peak = -1;
    if (n > 0 && std::sscanf(out, "%ld %ld", &peak, baseline) != 2)
        peak = -1;
    return peak;
}

struct Verdict
{
    int missed = 0;
    void check(const char *what, bool ok)
    {
        std::printf("    %-58s %s\n", what, ok ? "ok" : "MISSED");
        missed += !ok;
    }
};

void runFile(const char *self, const char *path, Verdict &verdict)
{
    struct stat st;
    if (::stat(path, &st) != 0) {
        std::printf("\n%s: absent, skipped\n", path);
        return;
    }
    const double mb = double(st.st_size) / 1e6;
    const bool large = st.st_size > 50'000'000;
    const int reps = large ? 3 : 30;

    size_t breaks = 0;
    std::vector<char> raw;
    const double tRead = bestOf(reps, [&] { raw = readAll(path, &breaks); });

    CisStore store;
    const double tLoad = bestOf(reps, [&] {
        CisStore fresh;
        LoadCisLines(fresh, QFile::decodeName(path));
        store = std::move(fresh);
    });

    std::printf("\n%s\n  %.1f MB, %zu line breaks, %lld lines in the store\n", path, mb, breaks,
                static_cast<long long>(store.count()));
    std::printf("  read bytes + count breaks   %9.2f ms\n", tRead);
    std::printf("  LoadCisLines                %9.2f ms   load / read = %.2f (target <= 4)\n", tLoad, tLoad / tRead);
    verdict.check("load <= 4 x read + count", tLoad <= 4 * tRead);
    if (large)
        verdict.check("load of a large file < 2 s", tLoad < 2000);

    std::printf("  %-13s %10s %10s %10s %10s %12s %9s %9s\n", "query", "lines", "memmem ms", "search ms",
                "literal ms", "LineMatches", "srch/flr", "lit/srch");
    for (const char *q : {"PARACETAMOL", "ZZZZZ", " "}) {
        const QString query = QString::fromLatin1(q);
        const std::string needle(q);
        size_t floorLines = 0;
        const double tFloor = bestOf(reps, [&] { floorLines = rawSearch(raw, needle); });
        std::vector<qsizetype> hits;
        const double tSearch = bestOf(reps, [&] { hits = store.search(query); });
        std::vector<qsizetype> literal;
        const double tLiteral = bestOf(large ? 1 : 3, [&] { literal = literalScan(store, query); });
        size_t matchHits = 0;
        const double tMatch = bestOf(large ? 1 : 3, [&] {
            matchHits = 0;
            for (qsizetype i = 0; i < store.count(); ++i)
                matchHits += LineMatchesQuery(store.line(i), query);
        });
        std::printf("  %-13s %10zu %10.2f %10.2f %10.2f %12.2f %9.2f %9.1f\n",
                    (std::string("\"") + q + "\"").c_str(), hits.size(), tFloor, tSearch, tLiteral, tMatch,
                    tSearch / tFloor, tLiteral / tSearch);
        const bool same = hits == literal && hits.size() == matchHits;
        if (!same)
            std::printf("    RESULTS DIFFER: search %zu, literal %zu, LineMatchesQuery %zu (raw floor %zu)\n",
                        hits.size(), literal.size(), matchHits, floorLines);
        const auto check = [&](const char *what, bool ok) {
            verdict.check((std::string("  \"") + q + "\": " + what).c_str(), ok);
        };
        check("search same lines as the literal scan", same);
        check("search <= 2 x memmem floor", tSearch <= 2 * tFloor);
        check("literal >= 10 x search", tLiteral >= 10 * tSearch);
        if (large)
            check("search < 100 ms", tSearch < 100);
    }

    store = CisStore();
    raw = std::vector<char>();
    long baseline = 0;
    const long peak = peakOfFreshLoad(self, path, &baseline);
    if (peak > 0) {
        // On a small file the program's own baseline dominates; the target is
        // for the large file.
        const double ratio = double(peak) * 1024 / double(st.st_size);
        const double net = double(peak - baseline) * 1024 / double(st.st_size);
        std::printf("  peak memory, fresh process  %ld KiB = %.2f x file (%ld KiB before loading: %.2f x file net)\n",
                    peak, ratio, baseline, net);
        if (large)
            verdict.check("peak memory of a large load < 5 x file size", ratio < 5);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load-peak") == 0) {
        const long before = statusKib("VmHWM:");
        CisStore store;
        try {
            LoadCisLines(store, QFile::decodeName(argv[2]));
        } catch (const AppError &) {
            return 1;
        }
        std::printf("%ld %ld\n", statusKib("VmHWM:"), before);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: cis_bench <file>...\n");
        return 2;
    }
    Verdict verdict;
    for (int i = 1; i < argc; ++i)
        runFile("/proc/self/exe", argv[i], verdict);
    std::printf("\n%s\n", verdict.missed ? "Some targets MISSED (see above)" : "All targets met");
    return 0;
}
