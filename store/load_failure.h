#pragma once

// What the store says when an open fails: the message of the box captioned "LogContainer"
// and, below it, a line that names what failed and the file or folder; the command line says
// the same in English. UTF-8; paths as the system holds them.

#include "store/log_container.h"

#include <string>

namespace store {

// "" for a cancelled load (1223), which is not reported.
std::string openFailureMessage(int code);

// What went wrong, then "err=%d(0x%X)" on the next line ("Import Group failed\nerr=2(0x2)").
std::string failureWithCode(const char* what, int code);
// The side programs' (Sortwell's, Wordlens') box after a failed open: the two texts for too
// little data (232) and a file that is no analysed log (11), else "Open LogFile failed" with
// the code; "" for a cancelled load.
std::string sideProgramOpenFailure(int code);

// The Japanese line that names what failed ("解析ログが見つかりません: /x/a.vxlog", "データ
// フォルダに書き込めません: /x/My Vexilo"); "" when the load did not fail on a file.
std::string troubleLine(int code, const LoadTrouble& trouble);

// The box's whole text: the message, and the trouble line below it after an empty line.
std::string openFailureText(int code, const LoadTrouble& trouble);

// The command line's reason for a failed load of logPath, in English: "cannot write to the
// data folder /x: access denied (err=5(0x5))", "the file ends inside the dictionary
// (err=102(0x66))".
std::string troubleReason(int code, const LoadTrouble& trouble);

} // namespace store
