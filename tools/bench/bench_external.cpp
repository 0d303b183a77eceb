#include "bench_external.h"

#include <cstdio>
#include <cstdlib>

#include "bench.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
std::string g_program;
}

void SetBenchProgram(const char* argv0) { g_program = argv0 ? argv0 : ""; }

std::string BenchSibling(const std::string& name) {
    const size_t slash = g_program.find_last_of("/\\");
    return slash == std::string::npos ? name : g_program.substr(0, slash + 1) + name;
}

ExternalRun RunTimed(const std::vector<std::string>& argv) {
    ExternalRun run;
#ifndef _WIN32
    if (argv.empty()) return run;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const double start = NowSeconds();
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (wait4(child, &status, 0, &usage) != child) return run;
    run.seconds = NowSeconds() - start;
    run.peakMiB = usage.ru_maxrss / 1024.0;
    run.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    (void)argv;
#endif
    return run;
}

ExternalRun RunReadpst(const std::string& store, int jobs) {
    ExternalRun run;
#ifndef _WIN32
    if (std::system("command -v readpst >/dev/null 2>&1") != 0) return run;
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwell-bench-readpst-XXXXXX";
    if (!mkdtemp(&dir[0])) return run;
    run = RunTimed({"readpst", "-q", "-j", std::to_string(jobs), "-o", dir, store});
    std::system(("rm -rf '" + dir + "'").c_str());
#else
    (void)store;
    (void)jobs;
#endif
    return run;
}

void RunWholeStoreReadBench(const BenchOptions& options) {
#ifndef _WIN32
    const std::string ostdump = BenchSibling("ostdump");
    const ExternalRun oursParallel = RunTimed({ostdump, options.storePath});   // its own choice of threads
    const ExternalRun ours1 = RunTimed({ostdump, "-j", "1", options.storePath});
    const ExternalRun theirs8 = RunReadpst(options.storePath, 8);
    const ExternalRun theirs1 = RunReadpst(options.storePath, 1);
    auto line = [](const char* what, const ExternalRun& r) {
        if (r.ran)
            std::printf("  %-34s %7.3f s, peak memory %.1f MiB\n", what, r.seconds, r.peakMiB);
        else
            std::printf("  %-34s did not run\n", what);
    };
    std::printf("whole-store read, side by side in one run:\n");
    line("ostdump (every item printed)", oursParallel);
    line("ostdump -j 1", ours1);
    line("readpst -j 8 (mbox files)", theirs8);
    line("readpst -j 1", theirs1);
    if (oursParallel.ran && theirs8.ran && oursParallel.seconds > 0)
        std::printf("  ostdump against readpst -j 8: %.2fx as fast\n", theirs8.seconds / oursParallel.seconds);
    if (ours1.ran && theirs1.ran && ours1.seconds > 0)
        std::printf("  ostdump -j 1 against readpst -j 1: %.2fx as fast\n", theirs1.seconds / ours1.seconds);
#else
    (void)options;
#endif
}
