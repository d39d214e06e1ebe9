#pragma once

// Texts the dialogs show, computed without a window (UTF-8).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// A file size: "%d" below 256 bytes, "%.1fk" below 256 KiB, "%.1fM" below 256 MiB,
// otherwise "%.1fG" (binary units).
std::string sizeText(std::uint64_t bytes);

// The estimate of the seconds still to go after `elapsedMillis` for `done` of `total`
// bytes: elapsed * (1 / fraction - 1), truncated. -1 while nothing can be estimated
// (nothing read yet, or nothing to read).
std::int64_t remainingSeconds(std::uint32_t elapsedMillis, std::uint64_t done, std::uint64_t total);

// "%d sec" rounded to 5 s below a minute, otherwise "%d:%02d" rounded down to 30 s.
std::string remainingTimeText(std::int64_t seconds);

// The input being read when `done` bytes of all are read, for inputs read one after
// another with these sizes: the first whose end lies beyond done; once all is read, the
// last one that is not empty. sizes.size() when every input is empty.
std::size_t currentInput(const std::vector<std::uint64_t>& sizes, std::uint64_t done);

// The splash's version line from a product version "major.minor.build.x":
// "Ver %d.%d%c" with the letter 'a' + build ("1.5.0.0" -> "Ver 1.5a").
std::string versionText(std::string_view productVersion);

// A list of words separated by commas and/or blanks; empty words are dropped.
std::vector<std::string> splitWords(std::string_view list);

} // namespace ui
