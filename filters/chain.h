#pragma once

// The filter chain's rules as plain functions: which mask bit a stage owns, which bit a pane
// reads, its number label, what a refresh with a given dwUpdated must do, where a refresh
// goes after a pane moved, closed or was bypassed, and the stage colours. The window half
// carries the messages (command 40001, the 1 ms selection timer); these functions decide.
//
// Stages: 0 is the period filter, k (1..6) the filter pane at position k - 1. Every visitor
// carries one 32-bit mask; stage k owns bit k, and a visitor is in the output of stage k
// exactly while that bit is set.

#include <cstdint>
#include <string>
#include <vector>

namespace filters {

inline constexpr int kMaxPanes = 6;

// Control ids: the period filter, filter pane p at kFirstPaneId + p, views from kMainViewId.
inline constexpr int kPeriodId = 2010;
inline constexpr int kFirstPaneId = 2100;
inline constexpr int kMainViewId = 2200;

// dwUpdated values the program uses: this pane only (no auto-selection, nothing passed
// on), everything (adding a pane, a view's source, a restored chain), a switched kind.
inline constexpr std::uint32_t kRefreshSelfOnly = 0xFFFFFFFF;
inline constexpr std::uint32_t kRefreshAll = 0xFFFF;
inline constexpr std::uint32_t kRefreshKindSwitch = 4095;

inline constexpr std::uint32_t kPeriodBit = 1;

// The bit of stage s (0 = period).
constexpr std::uint32_t stageBit(int stage)
{
    return std::uint32_t{1} << stage;
}

// The bit of the filter pane at position p.
constexpr std::uint32_t paneBit(int position)
{
    return stageBit(position + 1);
}

// The bit the pane at `position` reads: that of the nearest pane before it that is not
// bypassed, or the period's bit when there is none. bypassed[p] tells for each position.
std::uint32_t dependencyBit(const std::vector<bool>& bypassed, int position);

// The position of that pane, or -1 for the period.
int dependencyPosition(const std::vector<bool>& bypassed, int position);

// The number labels: "1." for the period (not in the result), then "2.", "3.", ... for the
// panes that are not bypassed, in position order, and "-." for a bypassed pane.
std::vector<std::string> numberLabels(const std::vector<bool>& bypassed);

// What a filter pane does with a refresh (command 40001 with dwUpdated).
struct RefreshDecision
{
    bool recompute = false;
    // Recompute without choosing the top row for an empty selection (restores).
    bool autoSelect = false;
    bool passOn = false;
    std::uint32_t passed = 0; // the dwUpdated sent to the next stage when passOn
};

// ownBit is the pane's bit; views (ownBit 0) add nothing when passing on.
RefreshDecision refreshDecision(std::uint32_t dwUpdated, std::uint32_t dependency,
                                std::uint32_t ownBit);

// The period filter always recomputes bit 0; it passes (dwUpdated | 1) on unless
// dwUpdated is kRefreshSelfOnly.
RefreshDecision periodRefreshDecision(std::uint32_t dwUpdated);

// After the user changed a pane's selection (the timer fired): the refresh sent to the next
// stage. Only the stages after the pane recompute.
constexpr std::uint32_t selectionChangedRefresh(std::uint32_t ownBit)
{
    return ownBit;
}

// After a bypass toggle: the pane does not recompute; the next stage gets this.
constexpr std::uint32_t bypassToggledRefresh(std::uint32_t ownBit)
{
    return kRefreshAll | ownBit;
}

// The positions after moving pane p one up (delta -1) or down (+1) among n panes: the
// position that recomputes with 0, or -1 when there is no neighbour to swap with.
int moveRefreshPosition(int position, int delta, int paneCount);

// After closing the pane at `position` of paneCount panes: the position that is refreshed
// with 0 (the one that took the vacated place, or the one before when the last closed),
// or -1 when no pane remains.
int closeRefreshPosition(int position, int paneCount);

// A view's source after a close left `paneCount` filter panes.
constexpr int clampSource(int source, int paneCount)
{
    return source > paneCount ? paneCount : source;
}

// A click on a view's source button: the next stage, round to the period.
constexpr int nextSource(int source, int paneCount)
{
    return (source + 1) % (paneCount + 1);
}

// Stage colours, 0x00BBGGRR, by stage modulo 7; the accent is each component times 4/5.
std::uint32_t stageColour(int stage);
std::uint32_t accentColour(int stage);

} // namespace filters
