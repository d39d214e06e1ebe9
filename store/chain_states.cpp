#include "store/chain_states.h"

#include "platform/files.h"
#include "platform/settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace store {
namespace {

constexpr char kFolder[] = "chains";
constexpr char kMagic[] = "vexilo-chain 1";
constexpr std::size_t kMostPanes = 32;     // the period, six filters and the views, with room
constexpr std::size_t kMostItems = 100000; // texts or numbers of one pane
constexpr std::int64_t kMostBytes = 64 << 20;

// One file per log, named by a hash of its path; the path inside tells a collision apart.
std::string fileName(const std::string& logPath)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const unsigned char c : logPath) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.txt", static_cast<unsigned long long>(hash));
    return name;
}

// Bytes that would end a line or a field, and "%" itself, as "%XX".
std::string escaped(const std::string& text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c < 0x21 || c == '%' || c == 0x7F) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool unescaped(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool validId(int id)
{
    return id == 2010 || (id >= 2100 && id < 2110) || (id >= 2200 && id < 2220);
}

} // namespace

int saveChain(const std::string& dataFolder, const std::string& logPath,
              const std::vector<SavedPane>& panes)
{
    std::string text = std::string(kMagic) + "\n" + "log " + escaped(logPath) + "\n";
    for (const SavedPane& p : panes) {
        text += "pane " + std::to_string(p.id) + " " + escaped(p.className) + "\n";
        text += "flags " + escaped(p.state.flags) + "\n";
        for (const std::string& t : p.state.texts)
            text += "text " + escaped(t) + "\n";
        for (const std::uint32_t n : p.state.numbers)
            text += "number " + std::to_string(n) + "\n";
    }
    return platform::replaceFileInFolder(dataFolder, std::string(kFolder) + "/" + fileName(logPath),
                                         text);
}

std::vector<SavedPane> loadChain(const std::string& dataFolder, const std::string& logPath)
{
    const std::string path =
        platform::joinPath(platform::joinPath(dataFolder, kFolder), fileName(logPath));
    platform::File file;
    std::string bytes;
    if (file.open(path, platform::File::Mode::ReadFile) != 0 || file.size() > kMostBytes ||
        file.readAll(bytes) != 0)
        return {};
    std::vector<SavedPane> panes;
    std::string value;
    std::size_t at = 0;
    bool header = false, ours = false;
    while (at < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line(bytes.data() + at, end - at);
        at = end + 1;
        const std::size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
        if (!header) {
            if (line != kMagic)
                return {};
            header = true;
            continue;
        }
        if (key == "log") {
            if (!unescaped(rest, value) || value != logPath)
                return {};
            ours = true;
        } else if (!ours) {
            return {};
        } else if (key == "pane") {
            const std::size_t gap = rest.find(' ');
            if (gap == std::string_view::npos || panes.size() == kMostPanes)
                return {};
            const int id = std::atoi(std::string(rest.substr(0, gap)).c_str());
            if (!validId(id) || !unescaped(rest.substr(gap + 1), value) || value.empty())
                return {};
            panes.push_back({id, value, {}});
        } else if (panes.empty()) {
            return {};
        } else if (key == "flags") {
            if (!unescaped(rest, panes.back().state.flags))
                return {};
        } else if (key == "text") {
            if (panes.back().state.texts.size() == kMostItems || !unescaped(rest, value))
                return {};
            panes.back().state.texts.push_back(value);
        } else if (key == "number") {
            char* tail = nullptr;
            const std::string digits(rest);
            const unsigned long long n = std::strtoull(digits.c_str(), &tail, 10);
            if (digits.empty() || *tail || n > 0xFFFFFFFFull ||
                panes.back().state.numbers.size() == kMostItems)
                return {};
            panes.back().state.numbers.push_back(static_cast<std::uint32_t>(n));
        } else if (!line.empty()) {
            return {};
        }
    }
    return ours ? panes : std::vector<SavedPane>{};
}

void forgetChain(const std::string& dataFolder, const std::string& logPath)
{
    const std::string path =
        platform::joinPath(platform::joinPath(dataFolder, kFolder), fileName(logPath));
    ::unlink(path.c_str());
}

} // namespace store
