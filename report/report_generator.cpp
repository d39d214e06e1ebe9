#include "report/report_generator.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "report/markup.h"
#include "report/page_template.h"
#include "report/report_tables.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace report {
namespace {

// Local standard seconds as "%Y/%m/%d".
std::string dayText(std::int64_t seconds)
{
    const platform::DateParts d = platform::dateParts(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", d.year, d.month, d.day);
    return text;
}

// "*.html", letters in any case.
bool isPageName(std::string_view name)
{
    constexpr std::string_view suffix = ".html";
    if (name.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = name[name.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

// The page names of the folder in the order the listing gives them.
std::vector<std::string> listPages(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir))
        if (isPageName(e->d_name))
            names.emplace_back(e->d_name);
    ::closedir(dir);
    return names;
}

// A regular file's bytes; false when it is no regular file or cannot be read whole.
bool readPage(const std::string& path, std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        bytes.clear();
        char buffer[65536];
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
        ok = got == 0;
    }
    ::close(fd);
    return ok;
}

// How many visitors were machines, and the busiest of those that named themselves (CP932).
std::string machineLine(const store::LogContainer& log)
{
    if (log.Visitors.empty() || log.VisitorClassOf.size() != log.Visitors.size())
        return {};
    std::vector<std::uint32_t> counts(log.VisitorClasses.size(), 0);
    for (const std::uint16_t c : log.VisitorClassOf)
        ++counts[c];
    const std::uint32_t people = counts.empty() ? 0 : counts[0];
    const std::uint32_t machines = static_cast<std::uint32_t>(log.Visitors.size()) - people;
    std::string out;
    if (machines == 0)
        return platform::utf8ToCp932("機械と見られる訪問者はいません。");
    char figure[96];
    std::snprintf(figure, sizeof figure, "%.1f%% (%u / %u)",
                  double(machines) * 100.0 / double(log.Visitors.size()), machines,
                  static_cast<unsigned>(log.Visitors.size()));
    out = platform::utf8ToCp932("機械と見られる訪問者 ") + figure;
    std::vector<std::size_t> named;
    for (std::size_t c = 1; c < counts.size(); ++c)
        if (counts[c] && log.VisitorClasses[c].kind != store::VisitorKind::Suspected)
            named.push_back(c);
    std::stable_sort(named.begin(), named.end(),
                     [&](std::size_t a, std::size_t b) { return counts[a] > counts[b]; });
    for (std::size_t i = 0; i < named.size() && i < 3; ++i) {
        out += platform::utf8ToCp932(i == 0 ? "。多い順に " : "、");
        appendEscaped(out, log.VisitorClasses[named[i]].label);
        out += ' ' + std::to_string(counts[named[i]]);
    }
    out += platform::utf8ToCp932("。");
    return out;
}

} // namespace

std::string keyValue(std::string_view key, const store::LogContainer& log, const ReportState& state)
{
    // The site name comes from referers of the log: escaped like every other name.
    if (key == "SITENAME") {
        std::string out;
        appendEscaped(out, log.LocalSite);
        return out;
    }
    // Without visitors there is no period to show.
    if (key == "TIMEBEGIN")
        return state.visitors ? dayText(state.begin) : std::string();
    if (key == "TIMEEND")
        return state.visitors ? dayText(state.end - 1) : std::string();
    if (key.starts_with("TIME"))
        return dayText(0);
    if (key == "TOTALVISITOR")
        return std::to_string(state.visitors);
    if (key == "MACHINES")
        return machineLine(log);
    if (key == "TABLEBODY::NEWS")
        return newsTableBody(log, newsRows(log, state));
    if (key == "TABLEBODY::KEYNODE")
        return keyPageTableBody(log, state, keyPageRows(log, state));
    return {};
}

int HtmlReport::generate(const std::string& folder, const store::LogContainer& log)
{
    if (folder.empty())
        return 0;
    const ReportState state = computeReportState(log);
    // The tables are the costly values: made once, when the first page asks for them.
    std::optional<std::string> news, keyPages;
    const KeyValue valueOf = [&](std::string_view key) -> std::string {
        std::optional<std::string>* table = key == "TABLEBODY::NEWS"      ? &news
                                            : key == "TABLEBODY::KEYNODE" ? &keyPages
                                                                          : nullptr;
        if (!table)
            return keyValue(key, log, state);
        if (!*table)
            *table = keyValue(key, log, state);
        return **table;
    };

    int result = 0;
    for (const std::string& name : listPages(folder)) {
        const std::string path = platform::joinPath(folder, name);
        std::string page;
        // A page that cannot be read is not written over: there is nothing to generate.
        if (!readPage(path, page))
            continue;
        const std::string generated = fillTemplate(page, valueOf);
        // A page that cannot be replaced stays as it was (the report view then shows the
        // previous report); a crash never leaves half a page.
        if (generated != page)
            if (const int rc = platform::replaceFileInFolder(folder, name, generated);
                rc && !result)
                result = rc;
    }
    return result;
}

void installReportGenerator()
{
    store::setReportGeneratorFactory(
        []() -> std::unique_ptr<store::ReportGenerator> { return std::make_unique<HtmlReport>(); });
}

} // namespace report
