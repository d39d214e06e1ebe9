#include "profile.h"

#include "codepage.h"
#include "errors.h"
#include "files.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform {

namespace {

constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks can never be trail bytes, so trimming from either end is safe in CP932.
std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One line of an INI text as both the reader and the writer see it.
struct Line
{
    enum Kind { kOther, kSection, kKey };
    std::size_t begin = 0; // first byte
    std::size_t end = 0;   // end of the content, before CR LF or LF
    std::size_t next = 0;  // first byte of the next line
    Kind kind = kOther;
    std::string_view name;  // section or key name without blanks
    std::string_view value; // key lines: the value without blanks, quotes still on
};

void classify(std::string_view content, Line& line)
{
    std::string_view s = trim(content);
    if (s.empty() || s.front() == ';')
        return;
    if (s.front() == '[') {
        // "]" (0x5D) is also a trail byte, so look for it character by character.
        const char* end = s.data() + s.size();
        for (const char* p = s.data() + 1; p < end; p = nextChar(p, end)) {
            if (*p == ']') {
                line.kind = Line::kSection;
                line.name = trim(std::string_view(s.data() + 1, p - s.data() - 1));
                return;
            }
        }
        return;
    }
    // "=" is below the trail-byte range, so a plain search cannot hit half a character.
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos)
        return;
    line.name = trim(s.substr(0, eq));
    if (line.name.empty())
        return;
    line.kind = Line::kKey;
    line.value = trim(s.substr(eq + 1));
}

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const std::size_t lf = text.find('\n', pos);
        line.end = lf == std::string_view::npos ? text.size() : lf;
        line.next = lf == std::string_view::npos ? text.size() : lf + 1;
        if (line.end > line.begin && text[line.end - 1] == '\r')
            --line.end;
        classify(text.substr(line.begin, line.end - line.begin), line);
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

// At most max bytes of s, never ending inside a double-byte character.
std::string_view cutAtChar(std::string_view s, std::size_t max)
{
    if (s.size() <= max)
        return s;
    const char* begin = s.data();
    const char* end = begin + s.size();
    const char* p = begin;
    for (const char* n = nextChar(p, end); n - begin <= static_cast<std::ptrdiff_t>(max);
         n = nextChar(p, end))
        p = n;
    return s.substr(0, p - begin);
}

// A key line's value as readers get it: one enclosing pair of quotes off, cut to 1023 bytes.
std::string_view readerValue(std::string_view v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return cutAtChar(v, kProfileValueMax);
}

// Hashes a name so that names equal without regard to case (equalNoCase) hash alike:
// single-byte ASCII letters fold to lower case, double-byte characters count as they are.
struct NoCaseHash
{
    std::size_t operator()(std::string_view s) const
    {
        std::uint64_t h = 14695981039346656037ull; // FNV-1a
        const char* end = s.data() + s.size();
        for (const char* p = s.data(); p < end;) {
            const char* next = nextChar(p, end);
            for (const char* b = p; b < next; ++b) {
                unsigned char c = static_cast<unsigned char>(*b);
                if (next - p == 1 && c >= 'A' && c <= 'Z')
                    c = static_cast<unsigned char>(c - 'A' + 'a');
                h = (h ^ c) * 1099511628211ull;
            }
            p = next;
        }
        return static_cast<std::size_t>(h);
    }
};

struct NoCaseEqual
{
    bool operator()(std::string_view a, std::string_view b) const { return equalNoCase(a, b); }
};

// Reads the whole file; 0 or an error code (kErrFileNotFound when it does not exist).
int readFile(const std::string& path, std::string& text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    struct stat st;
    if (::fstat(fd, &st) == 0)
        text.reserve(st.st_size);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            text.append(buf, n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int rc = lastError();
            ::close(fd);
            return rc;
        }
    }
    ::close(fd);
    return kOk;
}

} // namespace

// The parsed file. Names and values are views into the file's text, which the object keeps;
// sections and keys are found through hash maps built once, so that reading every value of
// a file costs time in proportion to its size.
struct ProfileFile::Data
{
    struct Key
    {
        std::string_view name;
        std::string_view value; // quotes removed, cut to kProfileValueMax
    };
    struct Section
    {
        std::string_view name;
        std::uint32_t firstKey = 0; // the section's keys: keys[firstKey, endKey)
        std::uint32_t endKey = 0;
    };
    // A key name within one section.
    struct KeyName
    {
        std::uint32_t section;
        std::string_view name;
    };
    struct KeyNameHash
    {
        std::size_t operator()(const KeyName& k) const
        {
            return NoCaseHash()(k.name) ^ (std::size_t(k.section) * 0x9E3779B97F4A7C15ull);
        }
    };
    struct KeyNameEqual
    {
        bool operator()(const KeyName& a, const KeyName& b) const
        {
            return a.section == b.section && equalNoCase(a.name, b.name);
        }
    };

    bool exists = false;
    std::string text;
    std::vector<Section> sections; // one per name: the first section of a name wins
    std::vector<Key> keys;         // one per name within a section: the first key wins
    std::unordered_map<std::string_view, std::uint32_t, NoCaseHash, NoCaseEqual> sectionIndex;
    std::unordered_map<KeyName, std::uint32_t, KeyNameHash, KeyNameEqual> keyIndex;

    void parse()
    {
        const std::vector<Line> lines = splitLines(text);
        std::size_t sectionLines = 0;
        for (const Line& line : lines)
            sectionLines += line.kind == Line::kSection;
        sectionIndex.reserve(sectionLines);
        keyIndex.reserve(lines.size() - sectionLines);
        bool current = false; // the keys that follow belong to the last section kept
        for (const Line& line : lines) {
            if (line.kind == Line::kSection) {
                const auto index = static_cast<std::uint32_t>(sections.size());
                current = sectionIndex.emplace(line.name, index).second;
                if (current) {
                    const auto at = static_cast<std::uint32_t>(keys.size());
                    sections.push_back({line.name, at, at});
                }
            } else if (line.kind == Line::kKey && current) {
                const auto section = static_cast<std::uint32_t>(sections.size() - 1);
                const auto index = static_cast<std::uint32_t>(keys.size());
                if (keyIndex.emplace(KeyName{section, line.name}, index).second) {
                    keys.push_back({line.name, readerValue(line.value)});
                    sections.back().endKey = index + 1;
                }
            }
        }
    }

    const Section* find(std::string_view name) const
    {
        const auto it = sectionIndex.find(name);
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }

    const Key* find(std::string_view section, std::string_view key) const
    {
        const auto s = sectionIndex.find(section);
        if (s == sectionIndex.end())
            return nullptr;
        const auto k = keyIndex.find(KeyName{s->second, key});
        return k == keyIndex.end() ? nullptr : &keys[k->second];
    }
};

ProfileFile::ProfileFile() : m_data(std::make_unique<Data>()) {}

ProfileFile::ProfileFile(const std::string& path) : ProfileFile()
{
    if (readFile(path, m_data->text) != kOk)
        return;
    m_data->exists = true;
    m_data->parse();
}

ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

bool ProfileFile::exists() const
{
    return m_data && m_data->exists;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view def) const
{
    const Data::Key* k = m_data ? m_data->find(section, key) : nullptr;
    return std::string(k ? k->value : def);
}

unsigned ProfileFile::getInt(std::string_view section, std::string_view key, int def) const
{
    const Data::Key* k = m_data ? m_data->find(section, key) : nullptr;
    if (!k || k->value.empty())
        return static_cast<unsigned>(def);
    const std::string_view v = k->value;
    std::size_t i = 0;
    while (i < v.size() && isBlank(v[i]))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+'))
        negative = v[i++] == '-';
    unsigned result = 0; // wraps on overflow, as the Win32 reader does
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
        result = result * 10 + unsigned(v[i] - '0');
    return negative ? 0 : result;
}

std::vector<std::string> ProfileFile::sectionNames() const
{
    std::vector<std::string> names;
    if (m_data)
        for (const Data::Section& s : m_data->sections)
            if (!s.name.empty())
                names.emplace_back(s.name);
    return names;
}

std::vector<std::string> ProfileFile::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const Data::Section* s = m_data ? m_data->find(section) : nullptr)
        for (std::uint32_t k = s->firstKey; k < s->endKey; ++k)
            names.emplace_back(m_data->keys[k].name);
    return names;
}

std::string getProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def)
{
    return ProfileFile(path).getString(section, key, def);
}

unsigned getProfileInt(const std::string& path, std::string_view section, std::string_view key,
                       int def)
{
    return ProfileFile(path).getInt(section, key, def);
}

std::size_t getProfileSectionNames(const std::string& path, char* buf, std::size_t size)
{
    if (!buf || size == 0)
        return 0;
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    char* p = buf;
    std::size_t left = size - 1; // the final NUL always has its place
    for (const std::string& name : ProfileFile(path).sectionNames()) {
        if (name.size() + 1 >= left) {
            // Like Win32, an exact fit counts as running out of room too.
            const std::string_view cut = cutAtChar(name, left - 1);
            std::memcpy(p, cut.data(), cut.size());
            std::memset(p + cut.size(), 0, buf + size - p - cut.size());
            return size - 2;
        }
        std::memcpy(p, name.c_str(), name.size() + 1);
        p += name.size() + 1;
        left -= name.size() + 1;
    }
    *p = '\0';
    return p - buf;
}

namespace {

// The line end of a file being edited: what its first line uses, CR LF for a new file.
std::string_view lineEnding(std::string_view text)
{
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos)
        return "\r\n";
    return lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

// Applies one write to the text of the file. Returns false when nothing changes.
bool editProfile(std::string& text, std::string_view section, const char* key, const char* value)
{
    const std::vector<Line> lines = splitLines(text);
    const std::string_view eol = lineEnding(text);

    std::size_t header = lines.size();
    std::size_t stop = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::kSection)
            continue;
        if (header != lines.size()) {
            stop = i;
            break;
        }
        if (equalNoCase(lines[i].name, section))
            header = i;
    }
    const std::size_t sectionEnd = stop < lines.size() ? lines[stop].begin : text.size();

    if (header == lines.size()) {
        if (!key || !value)
            return false;
        std::string added;
        if (!text.empty() && text.back() != '\n')
            added += eol;
        added.append("[").append(section).append("]").append(eol);
        added.append(key).append("=").append(value).append(eol);
        text += added;
        return true;
    }
    if (!key) {
        text.erase(lines[header].begin, sectionEnd - lines[header].begin);
        return true;
    }

    std::size_t lastKey = header;
    std::vector<std::size_t> matches;
    for (std::size_t i = header + 1; i < stop; ++i) {
        if (lines[i].kind != Line::kKey)
            continue;
        lastKey = i;
        if (equalNoCase(lines[i].name, key))
            matches.push_back(i);
    }
    if (!value) {
        for (auto it = matches.rbegin(); it != matches.rend(); ++it)
            text.erase(lines[*it].begin, lines[*it].next - lines[*it].begin);
        return !matches.empty();
    }
    if (!matches.empty()) {
        // The first line of the key is rewritten in place under its existing spelling.
        const Line& line = lines[matches.front()];
        std::string replaced = std::string(line.name) + "=" + value;
        if (std::string_view(text).substr(line.begin, line.end - line.begin) == replaced)
            return false;
        text.replace(line.begin, line.end - line.begin, replaced);
        return true;
    }
    const Line& after = lines[lastKey];
    std::string added;
    if (after.next == after.end) // last line of the file, without a line end
        added += eol;
    added.append(key).append("=").append(value).append(eol);
    text.insert(after.next, added);
    return true;
}

} // namespace

int writeProfileString(const std::string& path, std::string_view section, const char* key,
                       const char* value)
{
    std::string text;
    const int rc = readFile(path, text);
    if (rc != kOk && rc != kErrFileNotFound)
        return rc;
    if (!editProfile(text, section, key, value))
        return kOk;
    // Readers and a crash only ever see the old file or the new one.
    return replaceFile(path, text);
}

} // namespace platform
