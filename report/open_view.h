#pragma once

// The report's openView links as the program reads them. A link's call hands its arguments
// over as typed values (text, 32-bit integer, null); the first argument decides:
//
//   'referer', K                       show the referer view for key reference K
//   '', A, B, G, groups...             rebuild the chain: period A..B (0, 0 keeps the period;
//                                      0, -1 is the whole log), graph state G, then per pane
//                                      a kind ("REQ"), a flags text ("*r") and its items
//                                      (texts and integers) up to a null
//
// Anything else is ignored. A call whose kinds the program does not know, or with more
// groups than the chain has places, is ignored too: rebuilding only part of it would show
// visitors the link did not mean.

#include "store/view_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

struct JsValue
{
    enum class Type { Null, Int, Text };
    Type type = Type::Null;
    std::int32_t number = 0;
    std::string text; // UTF-8

    static JsValue null() { return {}; }
    static JsValue integer(std::int32_t n) { return {Type::Int, n, {}}; }
    static JsValue string(std::string s) { return {Type::Text, 0, std::move(s)}; }
};

struct ViewGroup
{
    std::string kind;               // "REQ", "REF", ...: the pane class without "WC_FILTER_"
    std::string flags;              // the pane's state flags ("*r", "-R")
    std::vector<std::string> texts; // item texts (UTF-8)
    std::vector<std::uint32_t> numbers;

    std::string className() const { return "WC_FILTER_" + kind; }
    // The pane state the group sets (texts in CP932, as the store holds them).
    store::ViewState paneState() const;
};

struct OpenView
{
    enum class Action { Ignore, Referer, Chain };
    Action action = Action::Ignore;
    std::uint32_t referer = 0;      // Referer: the key reference
    std::uint32_t from = 0, to = 0; // Chain: the period (A, B); -1 as 0xFFFFFFFF
    std::string graph;              // the graph view's state text
    std::vector<ViewGroup> groups;

    bool keepsPeriod() const { return from == 0 && to == 0; }
    // The period filter's state for from and to.
    store::ViewState periodState() const;
    std::vector<std::string> classNames() const;
};

// Reads a call from its arguments, the first one first.
OpenView parseOpenView(const std::vector<JsValue>& args);

// The arguments of a link as the report writes it, "javascript:openView(...);" (or just the
// parenthesised list): texts in single quotes (\' and \\ escaped), integers in decimal or
// 0x hexadecimal with an optional minus, null. nullopt for anything else.
std::optional<std::vector<JsValue>> linkArguments(std::string_view href);

} // namespace report
