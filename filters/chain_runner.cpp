#include "filters/chain_runner.h"

#include "platform/codepage.h"

#include <algorithm>

namespace filters {

void Chain::open()
{
    m_period.open(m_log);
    m_periodCount = 0;
}

void Chain::close()
{
    m_period.close();
    m_periodCount = 0;
    for (auto& p : m_panes)
        p->close();
}

int Chain::addPane(Kind kind, unsigned flags)
{
    if (m_panes.size() >= static_cast<std::size_t>(kMaxPanes))
        return -1;
    m_panes.push_back(std::make_unique<PaneModel>(kind, flags));
    m_recomputes.push_back(0);
    return static_cast<int>(m_panes.size()) - 1;
}

std::vector<bool> Chain::bypassed() const
{
    std::vector<bool> out;
    for (const auto& p : m_panes)
        out.push_back(p->has(kFlagBypass));
    return out;
}

std::vector<std::string> Chain::labels() const
{
    return numberLabels(bypassed());
}

PaneInput Chain::inputOf(std::size_t position) const
{
    const std::vector<bool> b = bypassed();
    PaneInput input;
    const int p = static_cast<int>(position);
    input.dependency = dependencyBit(b, p);
    const int before = dependencyPosition(b, p);
    if (before >= 0)
        input.path = m_panes[static_cast<std::size_t>(before)]->pathSet();
    return input;
}

void Chain::refresh(int stage, std::uint32_t dwUpdated)
{
    if (stage == 0) {
        const RefreshDecision d = periodRefreshDecision(dwUpdated);
        m_periodCount = m_period.apply(m_log.Visitors);
        if (!d.passOn)
            return;
        dwUpdated = d.passed;
        stage = 1;
    }
    for (int k = stage; k <= static_cast<int>(m_panes.size()); ++k) {
        const auto p = static_cast<std::size_t>(k - 1);
        const PaneInput input = inputOf(p);
        const RefreshDecision d = refreshDecision(dwUpdated, input.dependency, stageBit(k));
        if (d.recompute) {
            m_panes[p]->compute(m_log, input, d.autoSelect);
            m_panes[p]->apply(m_log, stageBit(k));
            ++m_recomputes[p];
        }
        if (!d.passOn)
            return;
        dwUpdated = d.passed;
    }
    ++m_viewRefreshes;
    m_lastViewRefresh = dwUpdated;
}

void Chain::selectRows(std::size_t position, const std::vector<std::size_t>& rows)
{
    PaneModel& pane = *m_panes[position];
    pane.selectRows(rows);
    const std::uint32_t own = paneBit(static_cast<int>(position));
    pane.apply(m_log, own);
    refresh(static_cast<int>(position) + 2, selectionChangedRefresh(own));
}

std::string Chain::describe(std::size_t position) const
{
    static const std::string kHeading =
        platform::utf8ToCp932("は次のフィルタの順で訪問者集団を演算しています。");
    static const std::string kPeriod = platform::utf8ToCp932("[1. 期間] ");
    const std::vector<std::string> label = labels();
    const std::vector<bool> b = bypassed();
    const auto title = [&](std::size_t p) {
        return "[" + label[p] + " " + platform::utf8ToCp932(m_panes[p]->info().title) + "]";
    };
    const auto line = [&](std::size_t p) {
        const int before = dependencyPosition(b, static_cast<int>(p));
        const std::string predecessor = before >= 0 ? label[static_cast<std::size_t>(before)] : "";
        return title(p) + " " + m_panes[p]->describe(predecessor) + "\r\n";
    };
    std::string out = title(position) + kHeading + "\r\n" + "----------\r\n" + kPeriod +
                      m_period.describe() + "\r\n";
    for (std::size_t p = 0; p < position; ++p)
        if (!b[p])
            out += line(p);
    out += line(position);
    return out;
}

ChainRun runChain(Chain& chain, const ChainSpec& spec)
{
    ChainRun run;
    chain.open();
    PeriodFilter& period = chain.period();
    if (spec.period) {
        // A period that overlaps the log keeps the days the log has.
        const auto& days = period.days();
        const std::int64_t first = std::min(spec.firstDay, spec.lastDay);
        const std::int64_t last = std::max(spec.firstDay, spec.lastDay);
        if (days.empty() || last < days.front() || first > days.back()) {
            run.result = kChainPeriodOutside;
            return run;
        }
        run.periodClipped = first < days.front() || last > days.back();
        period.select(period.indexOfDay(std::max(first, days.front())),
                      period.indexOfDay(std::min(last, days.back())));
    }
    if (spec.periodState)
        period.restore(*spec.periodState);
    for (const PaneSpec& p : spec.panes)
        if (chain.addPane(p.kind, p.flags) < 0)
            break;
    chain.refresh(0, kRefreshSelfOnly);
    for (std::size_t p = 0; p < chain.paneCount(); ++p) {
        PaneModel& pane = chain.pane(p);
        const PaneInput input = chain.inputOf(p);
        if (const auto& state = spec.panes[p].state) {
            pane.restore(chain.log(), input, paneBit(static_cast<int>(p)), *state);
            continue;
        }
        const std::vector<std::string>& texts = spec.panes[p].select;
        pane.compute(chain.log(), input, texts.empty());
        if (!texts.empty()) {
            std::vector<std::size_t> rows;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const int row = pane.findRowByText(texts[i]);
                if (row >= 0)
                    rows.push_back(static_cast<std::size_t>(row));
                else
                    run.unmatched.push_back({p, i});
            }
            pane.selectRows(rows);
        }
        pane.apply(chain.log(), paneBit(static_cast<int>(p)));
    }
    return run;
}

} // namespace filters
