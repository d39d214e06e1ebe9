#include "filters/chain.h"

namespace filters {

int dependencyPosition(const std::vector<bool>& bypassed, int position)
{
    int p = position - 1;
    while (p >= 0 && p < static_cast<int>(bypassed.size()) && bypassed[static_cast<std::size_t>(p)])
        --p;
    return p;
}

std::uint32_t dependencyBit(const std::vector<bool>& bypassed, int position)
{
    const int p = dependencyPosition(bypassed, position);
    return p < 0 ? kPeriodBit : paneBit(p);
}

std::vector<std::string> numberLabels(const std::vector<bool>& bypassed)
{
    std::vector<std::string> labels;
    int next = 2;
    for (const bool b : bypassed)
        labels.push_back(b ? "-." : std::to_string(next++) + ".");
    return labels;
}

RefreshDecision refreshDecision(std::uint32_t dwUpdated, std::uint32_t dependency,
                                std::uint32_t ownBit)
{
    RefreshDecision d;
    const bool selfOnly = dwUpdated == kRefreshSelfOnly;
    d.recompute = dwUpdated == 0 || (dwUpdated & dependency) != 0;
    d.autoSelect = d.recompute && !selfOnly;
    d.passOn = !selfOnly;
    d.passed = d.passOn ? (dwUpdated | ownBit) : 0;
    return d;
}

RefreshDecision periodRefreshDecision(std::uint32_t dwUpdated)
{
    RefreshDecision d;
    d.recompute = true;
    d.passOn = dwUpdated != kRefreshSelfOnly;
    d.passed = d.passOn ? (dwUpdated | kPeriodBit) : 0;
    return d;
}

int moveRefreshPosition(int position, int delta, int paneCount)
{
    const int other = position + delta;
    if (delta == 0 || other < 0 || other >= paneCount || position < 0 || position >= paneCount)
        return -1;
    return other < position ? other : position;
}

int closeRefreshPosition(int position, int paneCount)
{
    if (position < 0 || position >= paneCount || paneCount <= 1)
        return -1;
    return position < paneCount - 1 ? position : position - 1;
}

std::uint32_t stageColour(int stage)
{
    static constexpr std::uint32_t kColours[7] = {0x888888, 0x994400, 0x003399, 0x337733,
                                                  0x773377, 0x999900, 0x337777};
    return kColours[((stage % 7) + 7) % 7];
}

std::uint32_t accentColour(int stage)
{
    const std::uint32_t c = stageColour(stage);
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= (((c >> shift) & 0xFF) * 4 / 5) << shift;
    return out;
}

} // namespace filters
