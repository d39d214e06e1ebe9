// Load step 6, second half: names from the host-name cache files into Host.

#include "hosts/host_cache_file.h"
#include "store/load_steps.h"

#include <algorithm>

namespace store {
namespace {

class HostTableSink : public hosts::NameSink
{
  public:
    explicit HostTableSink(LoadContext& ctx) : m_ctx(ctx) {}

    bool cancelled() const override { return m_ctx.cancelled(); }

    void found(std::uint32_t address, std::string_view name) override
    {
        // Address 0 stands for the hosts that came as names; no answer is ever for them.
        if (address == 0)
            return;
        auto& table = m_ctx.log.Host; // sorted by address in the first half of the step
        const auto it =
            std::lower_bound(table.begin(), table.end(), address,
                             [](const HostEntry& h, std::uint32_t a) { return h.address < a; });
        if (it != table.end() && it->address == address)
            it->name = m_ctx.log.HostNamePool.intern(name);
    }

    void fileDone(std::size_t files) override { m_ctx.add(kShare / float(files)); }

    static constexpr float kShare = 0.15f;

  private:
    LoadContext& m_ctx;
};

} // namespace

void loadHostNames(LoadContext& ctx)
{
    HostTableSink sink(ctx);
    const auto upkeep = ctx.log.tidyHostCache ? hosts::CacheUpkeep::DisableDuplicates
                                              : hosts::CacheUpkeep::ReadOnly;
    if (hosts::readHostNameCache(ctx.dataFolder, sink, upkeep) == 0)
        ctx.add(HostTableSink::kShare);
}

} // namespace store
