// vexilo-cli load: opens an analysed log the way the main program does (base load and the
// whole load pipeline) and prints what it found.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "platform/tab_fields.h"
#include "store/load_failure.h"
#include "store/log_container.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

namespace cli {
namespace {

struct LoadArgs
{
    std::string path;
    FolderOptions folders;
    bool visitors = false;
    bool search = false;
    bool agents = false;
    bool kinds = false;
};

class StepPrinter : public store::StepText
{
  public:
    void setText(const char* utf8) override
    {
        std::lock_guard guard(m_lock);
        m_text = utf8;
    }
    std::string text()
    {
        std::lock_guard guard(m_lock);
        return m_text;
    }

  private:
    std::mutex m_lock;
    std::string m_text;
};

// A field of a listing line: TABs and line breaks from the log become blanks.
std::string text(const char* t)
{
    std::string out;
    platform::appendTabField(out, t);
    return out;
}

std::string hostText(const store::HostEntry& h)
{
    if (h.name && *h.name)
        return text(h.name);
    in_addr a{htonl(h.address)};
    char dotted[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &a, dotted, sizeof dotted);
    return h.address ? std::string(dotted) : text(h.name);
}

int load(const LoadArgs& args)
{
    const std::string& path = args.path;
    args.folders.apply();
    warnMissingRuleFiles("load");

    store::LogContainer log;
    log.logPath = path;
    log.tidyHostCache = false; // it only looks
    store::Progress progress{0.0f};
    StepPrinter steps;
    std::atomic<bool> running{true};
    std::thread meter;
    if (::isatty(STDERR_FILENO))
        meter = std::thread([&] {
            while (running) {
                std::fprintf(stderr, "\r%5.1f%%  %s\033[K", double(progress.load()) * 100.0,
                             steps.text().c_str());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            std::fputs("\r\033[K", stderr);
        });
    const int rc = log.LoadPipeline(&steps, progress, false, "");
    running = false;
    if (meter.joinable())
        meter.join();
    if (rc) {
        reportLoadFailure("load", log, rc);
        return kExitFailure;
    }

    std::string out = "LocalSite\t" + log.LocalSite + "\n";
    for (const auto& prefix : log.LocalSitePrefixes)
        out += "prefix\t" + prefix + "\n";
    out += "records\t" + std::to_string(log.Rec2.size()) + "\n";
    out += "visitors\t" + std::to_string(log.Visitors.size()) + "\n";
    out += "hosts\t" + std::to_string(log.Host.size()) + "\n";
    out += "fragments\t" + std::to_string(log.Frg2.size()) + "\n";
    out += "dic\t" + std::to_string(log.DicSize) + "\n";
    for (int step = 0; step < 18; ++step)
        if (log.stepMillis[step] >= 0)
            out += "step\t" + std::to_string(step) + "\t" + std::to_string(log.stepMillis[step]) +
                   "\n";
    if (args.visitors)
        for (const auto& v : log.Visitors)
            out += hostText(*v.first->host) + "\t" + std::to_string(v.first->time) + "\t" +
                   std::to_string(v.count) + "\n";
    if (args.kinds)
        for (std::size_t i = 0; i < log.Visitors.size(); ++i) {
            const store::VisitorEntry& v = log.Visitors[i];
            const store::VisitorClass& c =
                log.VisitorClasses[i < log.VisitorClassOf.size() ? log.VisitorClassOf[i] : 0];
            out += hostText(*v.first->host) + "\t" + std::to_string(v.first->time) + "\t" +
                   std::to_string(v.count) + "\t" + store::visitorKindKey(c.kind) + "\t" +
                   text(c.label) + "\n";
        }
    if (args.search) {
        std::set<std::pair<const char*, const char*>> seen;
        for (const auto& f : log.Frg2)
            if (f.ref && f.ref->text && f.ref->text[0] != '/' && f.refq && f.refq->text &&
                seen.emplace(f.ref->text, f.refq->text).second)
                out += text(f.ref->text) + "\t" + text(f.refq->text) + "\t" + text(f.refq->word) +
                       "\t" + std::to_string(f.refq->rank) + "\t" + text(f.ref->engine) + "\n";
    }
    if (args.agents) {
        std::set<const char*> seen;
        for (const auto& a : log.Agnt)
            if (a.text && seen.insert(a.text).second)
                out += text(a.text) + "\t" + text(a.browser) + "\t" + text(a.os) + "\n";
    }
    standardOutput().write(out);
    return kExitSuccess;
}

} // namespace

void addLoadCommand(CLI::App& app)
{
    auto args = std::make_shared<LoadArgs>();
    CLI::App* command = addCommand(
        app, "load",
        "open an analysed log as the main program does\n"
        "Runs the whole load of the main program and prints, TAB-separated: the site, the\n"
        "own-site prefixes, the table sizes and the milliseconds of every load step.",
        [args] { return load(*args); });
    command->add_option("FILE", args->path, "the analysed log (.vxlog)")
        ->required()
        ->check(kNotEmpty);
    args->folders.addTo(*command);
    command->add_flag("--visitors", args->visitors,
                      "one line per visitor: host, first time (local standard\n"
                      "seconds), records");
    command->add_flag("--search", args->search,
                      "one line per search key: referer, query, word, rank, engine");
    command->add_flag("--agents", args->agents, "one line per user agent: agent, browser, OS");
    command->add_flag("--visitor-kinds", args->kinds,
                      "one line per visitor: host, first time, records, kind\n"
                      "(person, ai-crawler, ..., suspected) and its row in the\n"
                      "visitor-kind pane");
    command->footer("Texts are written as they are stored (CP932).");
}

} // namespace cli
