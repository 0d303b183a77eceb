// bench [--store PATH] [--size-mib N]
// bench --writer
// bench --list-mails=N
//
// Prints speed and memory figures of the reader, and beside them those of
// readpst (an independent reader) on the same store in the same run. Without --store it makes a
// store of about N MiB (default 1024) with the store writer in the temporary
// folder and deletes it afterwards. --writer prints the store writer's
// figures instead, each measured in a process of its own. With --list-mails
// it measures listing one folder of N mails (the reader alone, and in the
// Windows program the item list filled).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench.h"
#include "bench_external.h"
#include "bench_list.h"
#include "bench_store.h"
#include "bench_writer.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif
#include <chrono>

uint64_t PeakMemoryKiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize / 1024;
#else
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<uint64_t>(usage.ru_maxrss);
#endif
}

double NowSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int main(int argc, char** argv) {
    SetBenchProgram(argv[0]);
    BenchOptions options;
    options.targetBytes = uint64_t(1024) << 20;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--store") && i + 1 < argc) {
            options.storePath = argv[++i];
        } else if (!std::strcmp(argv[i], "--writer-part") && i + 1 < argc) {
            // An optional mail count makes the 300,000-mail parts smaller.
            const int part = std::atoi(argv[++i]);
            const uint64_t mails = i + 1 < argc ? std::strtoull(argv[i + 1], nullptr, 10) : 0;
            return RunWriterBench(part, mails ? mails : 300000);
        } else if (!std::strcmp(argv[i], "--writer")) {
            int failed = 0;
            for (int part = 1; part <= 9; ++part) {
                std::fflush(stdout);
                std::string command = "\"" + std::string(argv[0]) + "\" --writer-part " + std::to_string(part);
#ifdef _WIN32
                command = "\"" + command + "\"";
#endif
                failed += std::system(command.c_str()) != 0;
            }
            return failed ? 1 : 0;
        } else if (!std::strncmp(argv[i], "--list-mails=", 13)) {
            // One argument: the Windows program's frame reads the command
            // line too and would take a separate number for a file to open.
            const int count = std::atoi(argv[i] + 13);
            const std::string path = MakeListBenchStore(count);
            if (path.empty()) return 1;
            std::printf("listing one folder of %d mails made by the store writer\n", count);
            RunListReadBench(path);
            RunListFillBench(path);
            std::remove(path.c_str());
            return 0;
        } else if (!std::strcmp(argv[i], "--size-mib") && i + 1 < argc) {
            options.targetBytes = std::strtoull(argv[++i], nullptr, 10) << 20;
        } else {
            std::fprintf(stderr, "usage: bench [--store PATH] [--size-mib N] | --writer | --list-mails=N\n");
            return 2;
        }
    }
    if (options.storePath.empty()) {
        // Made here, measured by a second run of this program, so that the
        // writer's memory does not count in the reader's peak.
        const std::string path = MakeBenchStore(options.targetBytes);
        if (path.empty()) {
            std::fprintf(stderr, "bench: could not make a store\n");
            return 1;
        }
        std::fflush(stdout);
        std::string command = "\"" + std::string(argv[0]) + "\" --store \"" + path + "\"";
#ifdef _WIN32
        command = "\"" + command + "\"";  // cmd.exe takes off the outer pair
#endif
        const int status = std::system(command.c_str());
        std::remove(path.c_str());
        return status == 0 ? 0 : 1;
    }
    RunBTreeBench(options);
    RunItemBench(options);
    RunWholeStoreReadBench(options);
    RunDisplayBench(options);
    return 0;
}
