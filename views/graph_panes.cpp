#include "views/graph_panes.h"

namespace views {

std::vector<GraphPane> graphPanesOf(const filters::Chain& chain)
{
    std::vector<GraphPane> panes;
    const std::vector<std::string> labels = chain.labels();
    for (std::size_t p = 0; p < chain.paneCount(); ++p) {
        const filters::PaneModel& pane = chain.pane(p);
        panes.push_back({labels[p], pane.info().title, pane.has(filters::kFlagBypass),
                         pane.kind() == filters::Kind::SearchWord});
    }
    return panes;
}

RankSeriesSource rankSeriesOf(filters::Chain& chain)
{
    return [&chain](std::uint32_t start, std::uint32_t length,
                    std::span<filters::RankBucket> buckets) {
        for (std::size_t p = 0; p < chain.paneCount(); ++p)
            if (chain.pane(p).rankSeries(chain.log(), filters::paneBit(static_cast<int>(p)), start,
                                         length, buckets))
                return true;
        return false;
    };
}

} // namespace views
