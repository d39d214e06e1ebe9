#pragma once

// How well the load tells machines from people, measured on a genlog log of today's traffic
// (--machines) against genlog's own labels of each host: person, named (the agent names the
// machine) or disguised (a machine whose agent claims a browser).

#include "bench/analysed_log.h"
#include "hosts/host_names.h"
#include "import/import_options.h"
#include "import/sievra.h"
#include "store/log_container.h"
#include "tools/genlog/genlog.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace bench {

struct MachineFigures
{
    std::uint64_t lines = 0, machineLines = 0;          // of the generated log
    std::uint32_t people = 0, named = 0, disguised = 0; // labelled visitors
    std::uint32_t predictedNamed = 0, namedRight = 0;   // predicted named; of those machines
    std::uint32_t namedFound = 0;                       // labelled named, predicted named
    std::uint32_t disguisedFound = 0;                   // labelled disguised, predicted machine
    std::uint32_t peopleAsMachines = 0;                 // labelled people, predicted machine
    std::uint32_t predictedPeople = 0;
    std::map<std::string, std::uint32_t> rows; // visitors per pane row (CP932)

    static double share(std::uint32_t part, std::uint32_t whole)
    {
        return whole ? double(part) * 100.0 / double(whole) : 100.0;
    }
    double namedPrecision() const { return share(namedRight, predictedNamed); }
    double namedRecall() const { return share(namedFound, named); }
    double disguisedRecall() const { return share(disguisedFound, disguised); }
    double peopleMarked() const { return share(peopleAsMachines, people); }
};

// genlog's labels: host -> "person" | "named" | "disguised" | "mixed".
inline std::map<std::string, std::string> readLabels(const std::string& text)
{
    std::map<std::string, std::string> labels;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab + 1);
        if (tab != std::string::npos)
            labels[line.substr(0, tab)] = line.substr(tab + 1, tab2 - tab - 1);
    }
    return labels;
}

// The host of an entry as the log wrote it (the load keeps names reversed).
inline std::string logHost(const store::HostEntry& h)
{
    if (h.name && *h.name)
        return hosts::reversedName(h.name);
    in_addr a{htonl(h.address)};
    char dotted[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &a, dotted, sizeof dotted);
    return dotted;
}

// Compares a loaded log's visitor classes with the labels.
inline MachineFigures compareWithLabels(const store::LogContainer& log,
                                        const std::map<std::string, std::string>& labels)
{
    MachineFigures f;
    for (std::size_t i = 0; i < log.Visitors.size(); ++i) {
        const store::VisitorClass& c = log.VisitorClasses[log.VisitorClassOf[i]];
        ++f.rows[c.label ? c.label : ""];
        const auto it = labels.find(logHost(*log.Visitors[i].first->host));
        const std::string label = it == labels.end() ? "person" : it->second;
        if (label == "mixed")
            continue;
        const bool machine = store::isMachine(c.kind);
        const bool named = machine && c.kind != store::VisitorKind::Suspected;
        f.predictedPeople += !machine;
        if (named) {
            ++f.predictedNamed;
            f.namedRight += label != "person";
        }
        if (label == "person") {
            ++f.people;
            f.peopleAsMachines += machine;
        } else if (label == "named") {
            ++f.named;
            f.namedFound += named;
        } else {
            ++f.disguised;
            f.disguisedFound += machine;
        }
    }
    return f;
}

// Imports a log with every agent kept (the referer and queries stored, HEAD among the
// methods) into output. 0 or the import's error.
inline std::uint32_t importAllAgents(const std::string& input, const std::string& output)
{
    sievra::OwnedImportOptions options;
    options.flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY | LA_F_METHOD;
    options.output = output;
    options.inputs = sievra::makeList({input});
    options.methods = sievra::makeList({"GET", "POST", "HEAD"});
    return runJob(options);
}

// Counts the machine lines of a generated log by its labels.
inline void countLines(const std::string& log, const std::map<std::string, std::string>& labels,
                       MachineFigures& f)
{
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        ++f.lines;
        const auto it = labels.find(line.substr(0, line.find(' ')));
        f.machineLines += it != labels.end() && it->second != "person";
    }
}

} // namespace bench
