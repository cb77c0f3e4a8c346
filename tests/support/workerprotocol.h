#pragma once

// The worker's side of testsupport::Workstation: a worker process reports to the test on standard
// output, one line per event, and stops at agreed points until the test lets it go on.

#include <cstdio>

namespace worker {

// Reports that the worker has reached `point` (a line of its own on standard output) and waits
// until the test lets it go on. False when the test has gone away (standard input closed).
inline bool waitAt(const char *point)
{
    std::puts(point);
    std::fflush(stdout);
    char answer[16];
    return std::fgets(answer, sizeof answer, stdin) != nullptr;
}

} // namespace worker
