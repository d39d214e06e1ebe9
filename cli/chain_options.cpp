#include "cli/chain_options.h"

#include "cli/command_line.h"
#include "cli/commands.h"
#include "filters/kinds.h"
#include "import/vxlog_reader.h"
#include "platform/codepage.h"
#include "report/open_view.h"
#include "store/load_failure.h"

#include <cstdio>

namespace cli {
namespace {

struct FlagName
{
    const char* name;
    filters::PaneFlag flag;
};

constexpr FlagName kFlagNames[] = {
    {"bypass", filters::kFlagBypass}, {"pct", filters::kFlagPercent},
    {"group", filters::kFlagGroup},   {"path", filters::kFlagPath},
    {"split", filters::kFlagSplit},   {"caps", filters::kFlagCaps},
};

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos)
            return parts;
        begin = end + 1;
    }
}

} // namespace

// A text typed in a UTF-8 terminal is meant as the character it shows: the panes hold CP932.
std::string typedText(const std::string& typed)
{
    bool ascii = true;
    for (const unsigned char c : typed)
        ascii = ascii && c < 0x80;
    std::string cp932;
    if (ascii || !platform::convertStrict("UTF-8", "CP932", typed, cp932))
        return typed;
    return cp932;
}

void reportLoadFailure(const char* command, const store::LogContainer& log, int rc)
{
    std::fprintf(stderr, "vexilo-cli %s: cannot load %s: %s\n", command, log.logPath.c_str(),
                 store::troubleReason(rc, log.trouble).c_str());
}

bool loadLog(const char* command, const std::string& path, store::LogContainer& log,
             store::StepText* steps)
{
    log.logPath = path;
    log.tidyHostCache = false;
    store::Progress progress{0.0f};
    if (const int rc = log.LoadPipeline(steps, progress, false, "")) {
        reportLoadFailure(command, log, rc);
        return false;
    }
    return true;
}

void SourceOption::addTo(CLI::App& command)
{
    command
        .add_option("--source", m_source,
                    "the stage shown: 0 the period (default), 1 the first --pane, ...")
        ->type_name("N");
}

bool SourceOption::check(const char* command, const filters::ChainSpec& spec) const
{
    const std::size_t panes = spec.panes.size();
    if (m_source >= 0 && static_cast<std::size_t>(m_source) <= panes)
        return true;
    if (panes == 0)
        std::fprintf(stderr,
                     "vexilo-cli %s: --source %d names no stage: without --pane only 0, the "
                     "period\n",
                     command, m_source);
    else if (panes == 1)
        std::fprintf(stderr,
                     "vexilo-cli %s: --source %d names no stage: 0 is the period, 1 the pane\n",
                     command, m_source);
    else
        std::fprintf(stderr,
                     "vexilo-cli %s: --source %d names no stage: 0 is the period, 1 to %zu the "
                     "panes\n",
                     command, m_source, panes);
    return false;
}

void ChainOptions::addTo(CLI::App& command)
{
    command
        .add_option("--period", m_period,
                    "the days of the period, both included (YYYY/MM/DD:YYYY/MM/DD);\n"
                    "default: the last 31 days of the log")
        ->type_name("FIRST:LAST");
    command
        .add_option_function<std::string>(
            "--pane",
            [this](const std::string& text) {
                m_panes.push_back({text, {}});
            },
            "a filter pane: req, reqbegin, reqend, query, ref, searchname,\n"
            "searchword, agent, browser, os, hostname, tldjp, domain or\n"
            "visitorkind, with\n"
            "the toggles bypass, pct, group, path, split, caps (req,group,path)")
        ->type_name("KIND[,FLAG...]")
        ->trigger_on_parse()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command
        .add_option_function<std::string>(
            "--select",
            [this](const std::string& text) {
                if (m_panes.empty())
                    m_error = "--select \"" + text + "\" comes before any --pane";
                else
                    m_panes.back().select.push_back(text);
            },
            "select the row with this first-column text in the pane before\n"
            "(repeat for more rows); default: the top row")
        ->type_name("TEXT")
        ->trigger_on_parse()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command
        .add_option("--link", m_link,
                    "a link of the report, javascript:openView(...): the chain as the\n"
                    "report view builds it (instead of --pane)")
        ->type_name("HREF");
}

bool ChainOptions::linkSpec(filters::ChainSpec& out, std::string& error) const
{
    if (!m_panes.empty()) {
        error = "--link builds the panes itself: give it without --pane";
        return false;
    }
    const auto args = report::linkArguments(m_link);
    if (!args) {
        error = "--link \"" + m_link + "\" is not a link javascript:openView(...) of the report";
        return false;
    }
    const report::OpenView call = report::parseOpenView(*args);
    if (call.action == report::OpenView::Action::Referer) {
        error = "--link \"" + m_link + "\" opens the referer view, not a chain";
        return false;
    }
    if (call.action != report::OpenView::Action::Chain) {
        error = "--link \"" + m_link + "\" is a link the report view ignores";
        return false;
    }
    if (!call.keepsPeriod())
        out.periodState = call.periodState();
    for (const report::ViewGroup& group : call.groups) {
        filters::PaneSpec pane(filters::kindOfClass(group.className())->kind);
        pane.state = group.paneState();
        out.panes.push_back(std::move(pane));
    }
    m_linkGraph = call.graph;
    return true;
}

bool ChainOptions::spec(filters::ChainSpec& out, std::string& error) const
{
    out = {};
    if (!m_error.empty()) {
        error = m_error;
        return false;
    }
    if (!m_period.empty()) {
        const std::vector<std::string> days = splitAt(m_period, ':');
        const std::int64_t first = days.size() == 2 ? filters::PeriodFilter::parseDay(days[0]) : -1;
        const std::int64_t last = days.size() == 2 ? filters::PeriodFilter::parseDay(days[1]) : -1;
        if (first < 0 || last < 0) {
            error = "--period \"" + m_period + "\" is not two days YYYY/MM/DD:YYYY/MM/DD";
            return false;
        }
        out.period = true;
        out.firstDay = first;
        out.lastDay = last;
    }
    if (!m_link.empty())
        return linkSpec(out, error);
    if (m_panes.size() > static_cast<std::size_t>(filters::kMaxPanes)) {
        error = "at most " + std::to_string(filters::kMaxPanes) + " panes, not " +
                std::to_string(m_panes.size());
        return false;
    }
    for (const Pane& p : m_panes) {
        const std::vector<std::string> parts = splitAt(p.text, ',');
        const std::optional<filters::Kind> kind = filters::kindFromName(parts[0]);
        if (!kind || parts[0].rfind("WC_", 0) == 0) {
            error = "unknown filter kind \"" + parts[0] + "\" in --pane " + p.text;
            return false;
        }
        unsigned flags = 0;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const FlagName* found = nullptr;
            for (const FlagName& f : kFlagNames)
                if (parts[i] == f.name)
                    found = &f;
            if (!found) {
                error = "unknown flag \"" + parts[i] + "\" in --pane " + p.text;
                return false;
            }
            flags |= found->flag;
        }
        std::vector<std::string> texts;
        for (const std::string& s : p.select)
            texts.push_back(typedText(s));
        out.panes.emplace_back(*kind, flags, std::move(texts));
    }
    return true;
}

int ChainOptions::run(const char* command, filters::Chain& chain,
                      const filters::ChainSpec& spec) const
{
    const filters::ChainRun run = filters::runChain(chain, spec);
    if (run.result == filters::kChainPeriodOutside) {
        const auto& days = chain.period().days();
        if (days.empty())
            std::fprintf(stderr, "vexilo-cli %s: the log has no days\n", command);
        else
            std::fprintf(stderr, "vexilo-cli %s: the period %s lies outside the log (%s to %s)\n",
                         command, m_period.c_str(),
                         filters::PeriodFilter::dayText(days.front()).c_str(),
                         filters::PeriodFilter::dayText(days.back()).c_str());
        return kExitFailure;
    }
    if (run.periodClipped) {
        const filters::PeriodFilter& period = chain.period();
        std::fprintf(
            stderr,
            "vexilo-cli %s: the period %s reaches beyond the log; showing %s to %s, the "
            "days the log has\n",
            command, m_period.c_str(),
            filters::PeriodFilter::dayText(period.days()[std::size_t(period.from())]).c_str(),
            filters::PeriodFilter::dayText(period.days()[std::size_t(period.to())]).c_str());
    }
    for (const filters::UnmatchedText& u : run.unmatched)
        std::fprintf(
            stderr, "vexilo-cli %s: pane %zu (%s) has no row \"%s\"; nothing selected for it\n",
            command, u.position + 1, filters::kindInfo(spec.panes[u.position].kind).className,
            m_panes[u.position].select[u.index].c_str());
    return kExitSuccess;
}

void ChainSession::addOptions(CLI::App& command, std::string& path, FolderOptions& folders,
                              ChainOptions& options, SourceOption* source)
{
    command.add_option("FILE", path, "the analysed log (.vxlog)")->required()->check(kNotEmpty);
    folders.addTo(command);
    options.addTo(command);
    if (source)
        source->addTo(command);
}

int ChainSession::open(const char* command, const std::string& path, const FolderOptions& folders,
                       const ChainOptions& options, const SourceOption* source)
{
    filters::ChainSpec spec;
    std::string error;
    if (!options.spec(spec, error)) {
        std::fprintf(stderr, "vexilo-cli %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    if (source && !source->check(command, spec))
        return kExitFailure;
    folders.apply();
    warnMissingRuleFiles(command);
    if (!loadLog(command, path, m_log))
        return kExitFailure;
    m_chain.emplace(m_log);
    return options.run(command, *m_chain, spec);
}

} // namespace cli
