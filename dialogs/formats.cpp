#include "dialogs/formats.h"

#include <cstdio>
#include <cstdlib>

namespace ui {

std::string sizeText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 256)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(bytes));
    else if (bytes < 0x40000)
        std::snprintf(text, sizeof text, "%.1fk", static_cast<double>(bytes) / 1024.0);
    else if (bytes < 0x10000000)
        std::snprintf(text, sizeof text, "%.1fM", static_cast<double>(bytes) / (1 << 20));
    else
        std::snprintf(text, sizeof text, "%.1fG", static_cast<double>(bytes) / (1 << 30));
    return text;
}

std::int64_t remainingSeconds(std::uint32_t elapsedMillis, std::uint64_t done, std::uint64_t total)
{
    if (done == 0 || total == 0)
        return -1;
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    const double seconds = static_cast<double>(elapsedMillis) * (1.0 / fraction - 1.0) / 1000.0;
    return seconds < 0 ? 0 : static_cast<std::int64_t>(seconds);
}

std::string remainingTimeText(std::int64_t seconds)
{
    if (seconds < 0)
        return "--:--";
    char text[32];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%d sec", static_cast<int>((seconds + 3) / 5 * 5));
    } else {
        const std::int64_t rounded = seconds / 30 * 30;
        std::snprintf(text, sizeof text, "%lld:%02d", static_cast<long long>(rounded / 60),
                      static_cast<int>(rounded % 60));
    }
    return text;
}

std::size_t currentInput(const std::vector<std::uint64_t>& sizes, std::uint64_t done)
{
    std::uint64_t end = 0;
    std::size_t last = sizes.size();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] == 0)
            continue;
        end += sizes[i];
        if (end > done)
            return i;
        last = i;
    }
    return last;
}

std::string versionText(std::string_view productVersion)
{
    int parts[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int& part : parts) {
        if (at >= productVersion.size())
            break;
        const std::size_t dot = productVersion.find('.', at);
        const std::string piece(productVersion.substr(
            at, dot == std::string_view::npos ? std::string_view::npos : dot - at));
        part = std::atoi(piece.c_str());
        at = dot == std::string_view::npos ? productVersion.size() : dot + 1;
    }
    char text[48];
    std::snprintf(text, sizeof text, "Ver %d.%d%c", parts[0], parts[1], 'a' + parts[2]);
    return text;
}

std::vector<std::string> splitWords(std::string_view list)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : list) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

} // namespace ui
