// Other programs timed on the same store in the same run: our ostdump and
// the independent reader readpst, each with its peak memory.
#pragma once
#include <string>
#include <vector>

struct ExternalRun {
    bool ran = false;        // started and exited 0
    double seconds = 0;
    double peakMiB = 0;      // the child's peak resident memory
};

// Runs the program (looked up on PATH when it has no '/') with its
// arguments, its output thrown away. Not on Windows (ran stays false).
ExternalRun RunTimed(const std::vector<std::string>& argv);

// readpst -j N converting the store to mbox files in a scratch folder.
ExternalRun RunReadpst(const std::string& store, int jobs);

struct BenchOptions;
// ostdump (beside bench; its own number of threads, and one) and readpst
// (8 jobs, and 1) on the store; seconds and peak memory side by side.
void RunWholeStoreReadBench(const BenchOptions& options);

// The folder of the running bench program (for ostdump beside it).
void SetBenchProgram(const char* argv0);
std::string BenchSibling(const std::string& name);
