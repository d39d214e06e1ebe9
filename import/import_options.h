#pragma once

// A C++ owner of the texts and lists behind an ImportOptions record, for the callers of
// the import library inside this project (the wizard, vexilo-cli, benchmarks, tests).

#include "import/sievra.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sievra {

// Items as the C interface takes a list: each NUL-terminated, then one more NUL. Empty
// items are left out (one would end the list early).
inline std::string makeList(const std::vector<std::string>& items)
{
    std::string list;
    for (const auto& item : items)
        if (!item.empty()) {
            list += item;
            list += '\0';
        }
    list += '\0';
    return list;
}

struct OwnedImportOptions
{
    // The analysis wizard's standard options.
    std::uint32_t flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY | LA_F_BROWSERS_ONLY;
    std::string output;
    std::string inputs = makeList({});
    std::string statusCodes = makeList({"200", "302", "304"});
    std::string methods = makeList({"GET", "POST"});
    std::string skipExts = makeList({"jpg", "gif", "png", "swf", "css", "js"});
    std::string dirIndexes = makeList({"index.html", "index.htm", "index.cgi"});
    std::uint32_t windowStart = 0;
    std::uint32_t windowEnd = 0;
    std::string truncatedFile; // "" for none
    std::string excludedFile;  // "" for none
    std::string machineRules;  // robots.ini, "" for none
    std::uint32_t jobs = 0;    // parsing threads, 0 = one per core

    // A record pointing into this object; valid while it lives unchanged.
    ImportOptions get() const
    {
        ImportOptions o{};
        o.size = sizeof o;
        o.flags = flags;
        o.output = output.c_str();
        o.inputs = inputs.c_str();
        o.statusCodes = statusCodes.c_str();
        o.methods = methods.c_str();
        o.skipExts = skipExts.c_str();
        o.dirIndexes = dirIndexes.c_str();
        o.windowStart = windowStart;
        o.windowEnd = windowEnd;
        o.truncatedFile = truncatedFile.empty() ? nullptr : truncatedFile.c_str();
        o.excludedFile = excludedFile.empty() ? nullptr : excludedFile.c_str();
        o.machineRules = machineRules.empty() ? nullptr : machineRules.c_str();
        o.jobs = jobs;
        return o;
    }
};

} // namespace sievra
