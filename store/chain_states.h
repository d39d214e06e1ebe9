#pragma once

// The chain a user left an analysed log with, kept per log in the data folder (the folder
// "chains"): every pane's id, class and state record, so that opening the log again shows
// the chain as it was. The file is the data folder's, so it is read as untrusted input: a
// damaged or foreign file gives no panes.

#include "store/view_state.h"

#include <string>
#include <vector>

namespace store {

struct SavedPane
{
    int id = 0;            // 2010 the period, 2100 + position a filter, 2200 + position a view
    std::string className; // "WC_FILTER_REQ", ...
    ViewState state;
};

// Keeps the panes for the log (logPath as the store holds it). The file is replaced whole.
// 0 or the error of the write.
[[nodiscard]] int saveChain(const std::string& dataFolder, const std::string& logPath,
                            const std::vector<SavedPane>& panes);
// The panes kept for the log; empty when there are none.
std::vector<SavedPane> loadChain(const std::string& dataFolder, const std::string& logPath);
// Forgets the panes kept for the log.
void forgetChain(const std::string& dataFolder, const std::string& logPath);

} // namespace store
