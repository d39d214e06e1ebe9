#pragma once

// Work split across the machine's cores: a loop cut into parts that run at the same time,
// one on the calling thread. Every part writes only what is its own, and the caller joins
// the parts' results in part order, so the result never depends on how many there were.

#include <algorithm>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

// The cores this process may use (at least 1); VEXILO_JOBS, when set to a number from 1
// on, takes their place (benchmarks and tests of a fixed split).
unsigned coreCount();

// Runs f(part) for every part in [0, parts) and returns when all have ended. The parts run
// on threads of their own, part 0 on the caller's; when no thread can be started, the rest
// run on the caller's too, one after another. An exception of a part is thrown again here
// once all have ended (the first part's first).
template <typename F> void runParts(unsigned parts, F&& f)
{
    if (parts <= 1) {
        f(0u);
        return;
    }
    std::vector<std::exception_ptr> errors(parts);
    std::vector<std::thread> threads;
    threads.reserve(parts - 1);
    unsigned started = 1;
    for (; started < parts; ++started) {
        try {
            threads.emplace_back([&f, &errors, part = started] {
                try {
                    f(part);
                } catch (...) {
                    errors[part] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break; // no more threads: the caller runs the rest
        }
    }
    try {
        f(0u);
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (unsigned part = started; part < parts; ++part) {
        try {
            f(part);
        } catch (...) {
            errors[part] = std::current_exception();
        }
    }
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& e : errors)
        if (e)
            std::rethrow_exception(e);
}

// The bounds of part `part` of `parts` equal parts of [0, n): begin of part p is n * p /
// parts.
inline std::size_t partBegin(std::size_t n, unsigned part, unsigned parts)
{
    return static_cast<std::size_t>(static_cast<unsigned __int128>(n) * part / parts);
}

// How many parts a loop over n items is cut into: one per core, at most `most`, and no part
// of fewer than perPart items (below that a thread costs more than it saves).
inline unsigned partCount(std::size_t n, std::size_t perPart, unsigned most = 8)
{
    const std::size_t byItems = n / std::max<std::size_t>(perPart, 1) + 1;
    return static_cast<unsigned>(std::min<std::size_t>({coreCount(), byItems, most}));
}

// runParts over the equal parts of [0, n): f(part, begin, end).
template <typename F> void runRanges(std::size_t n, unsigned parts, F&& f)
{
    runParts(parts, [&](unsigned part) {
        f(part, partBegin(n, part, parts), partBegin(n, part + 1, parts));
    });
}

// Sorts [begin, end) in parts on every core (at least perPart items each), then merges the
// parts. Items that compare equal may end up in any order: for results that must not
// depend on the number of parts, only identical items may compare equal.
template <typename It, typename Less>
void sortInParts(It begin, It end, Less less, std::size_t perPart)
{
    const std::size_t n = static_cast<std::size_t>(end - begin);
    const unsigned parts = partCount(n, perPart);
    runRanges(n, parts, [&](unsigned, std::size_t from, std::size_t to) {
        std::sort(begin + from, begin + to, less);
    });
    for (unsigned width = 1; width < parts; width *= 2)
        for (unsigned part = 0; part + width < parts; part += 2 * width)
            std::inplace_merge(
                begin + partBegin(n, part, parts), begin + partBegin(n, part + width, parts),
                begin + partBegin(n, std::min(part + 2 * width, parts), parts), less);
}

} // namespace platform
