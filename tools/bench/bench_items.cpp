// Item-reading figures (filled in with the item layer).
#include "bench.h"

void RunItemBench(const BenchOptions&) {}
