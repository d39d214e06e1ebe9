// vexilo-cli resolve: names the unnamed hosts of an analysed log into today's host-name
// cache file, with the name service and the file rules of the program, so that a cron job
// can prepare the names before the program opens the log.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "hosts/host_cache_file.h"
#include "hosts/host_names.h"
#include "platform/name_service.h"
#include "platform/settings.h"
#include "store/load_failure.h"
#include "store/log_container.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>

namespace cli {
namespace {

struct ResolveArgs
{
    std::string path;
    FolderOptions folders;
    int jobs = hosts::kMaxPendingLookups;
    double timeout = 10;
};

// Where the service's threads leave their answers; the command takes them one by one.
struct Answers
{
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<std::pair<std::uint32_t, platform::NameAnswer>> queue; // address: host order

    void put(std::uint32_t address, const platform::NameAnswer& answer)
    {
        {
            std::lock_guard guard(lock);
            queue.emplace_back(address, answer);
        }
        arrived.notify_one();
    }
    // The next answer, or false when none came within the time.
    bool take(std::pair<std::uint32_t, platform::NameAnswer>& out, std::chrono::milliseconds wait)
    {
        std::unique_lock guard(lock);
        if (!arrived.wait_for(guard, wait, [&] { return !queue.empty(); }))
            return false;
        out = std::move(queue.front());
        queue.pop_front();
        return true;
    }
};

bool nameResolutionWorks(platform::NameService& service, std::chrono::milliseconds wait)
{
    auto answers = std::make_shared<Answers>();
    service.lookupName(
        hosts::kProbeName,
        [answers](platform::NameTicket, const platform::NameAnswer& a) { answers->put(0, a); });
    std::pair<std::uint32_t, platform::NameAnswer> probe;
    return answers->take(probe, wait) && probe.second.error == 0 && probe.second.address != 0;
}

int resolve(const ResolveArgs& args)
{
    args.folders.apply();
    store::LogContainer log;
    log.logPath = args.path;
    store::Progress progress{0.0f};
    if (const int rc = log.LoadPipeline(nullptr, progress, false, "")) {
        reportLoadFailure("resolve", log, rc);
        return kExitFailure;
    }
    std::vector<std::uint32_t> unnamed;
    for (const store::HostEntry& h : log.Host)
        if (h.address && !h.name)
            unnamed.push_back(h.address);

    const auto limit = std::chrono::milliseconds(static_cast<long>(args.timeout * 1000));
    const auto service =
        platform::offlineByChoice()
            ? platform::makeOfflineNameService()
            : platform::makeNameService(args.jobs, static_cast<int>(limit.count()));
    if (!unnamed.empty() && !nameResolutionWorks(*service, limit + std::chrono::seconds(1))) {
        std::fprintf(stderr,
                     "vexilo-cli resolve: host names cannot be looked up here (no answer for "
                     "%s)\n",
                     hosts::kProbeName);
        return kExitFailure;
    }

    const std::string folder = platform::homeDir();
    const bool terminal = ::isatty(STDERR_FILENO);
    auto answers = std::make_shared<Answers>();
    std::size_t next = 0, running = 0, done = 0, named = 0;
    int writeError = 0;
    while (done < unnamed.size()) {
        while (running < static_cast<std::size_t>(args.jobs) && next < unnamed.size()) {
            const std::uint32_t address = unnamed[next++];
            const platform::NameTicket ticket = service->lookupAddress(
                htonl(address),
                [answers, address](platform::NameTicket, const platform::NameAnswer& a) {
                    answers->put(address, a);
                });
            if (ticket)
                ++running;
            else
                ++done; // could not start: left unnamed
        }
        std::pair<std::uint32_t, platform::NameAnswer> answer;
        // Every lookup ends within its time limit; waiting longer only guards the loop.
        if (!answers->take(answer, limit + std::chrono::seconds(5)))
            break;
        --running;
        ++done;
        const std::string name =
            answer.second.error == 0 ? hosts::storedName(answer.second.name) : std::string();
        named += !name.empty();
        if (const int rc =
                hosts::appendHostName(folder, answer.first, name.empty() ? nullptr : name.c_str()))
            writeError = rc;
        if (terminal)
            std::fprintf(stderr, "\rresolving %zu/%zu", done, unnamed.size());
    }
    if (terminal && !unnamed.empty())
        std::fputs("\n", stderr);
    if (writeError) {
        std::fprintf(stderr,
                     "vexilo-cli resolve: cannot write the host-name cache in %s (err=%d)\n",
                     folder.c_str(), writeError);
        return kExitFailure;
    }
    standardOutput().write("hosts\t" + std::to_string(log.Host.size()) + "\nlooked up\t" +
                           std::to_string(done) + "\nnamed\t" + std::to_string(named) + "\n");
    return kExitSuccess;
}

} // namespace

void addResolveCommand(CLI::App& app)
{
    auto args = std::make_shared<ResolveArgs>();
    CLI::App* command = addCommand(
        app, "resolve",
        "name the unnamed hosts of an analysed log into the host-name cache\n"
        "Loads the analysed log as the main program does, looks up every host that has no\n"
        "name yet and writes the answers into today's cache file of the data folder (a host\n"
        "without a name is written as such and not looked up again). Prints the number of\n"
        "hosts, of lookups and of names found.",
        [args] { return resolve(*args); });
    command->add_option("FILE", args->path, "the analysed log (.vxlog)")
        ->required()
        ->check(kNotEmpty);
    command->add_option("--jobs", args->jobs, "lookups at a time (default 20)")
        ->type_name("N")
        ->check(CLI::Range(1, 256));
    command->add_option("--timeout", args->timeout, "seconds a lookup may take (default 10)")
        ->type_name("S")
        ->check(finiteRange(0.1, 600.0));
    args->folders.addTo(*command);
}

} // namespace cli
