#include "profile.h"

#include "codepage.h"
#include "errors.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string readerValue(std::string_view v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return std::string(cutAtChar(v, kProfileValueMax));
}

// Reads the whole file; 0 or an error code (kErrFileNotFound when it does not exist).
int readFile(const std::string& path, std::string& text, mode_t* mode = nullptr)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        text.reserve(st.st_size);
        if (mode)
            *mode = st.st_mode & 07777;
    }
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

struct ProfileFile::Data
{
    struct Key
    {
        std::string name;
        std::string value; // quotes removed, cut to kProfileValueMax
    };
    struct Section
    {
        std::string name;
        std::vector<Key> keys;
    };

    bool exists = false;
    std::vector<Section> sections; // one per name: the first section of a name wins

    const Section* find(std::string_view name) const
    {
        for (const Section& s : sections)
            if (equalNoCase(s.name, name))
                return &s;
        return nullptr;
    }

    const Key* find(std::string_view section, std::string_view key) const
    {
        if (const Section* s = find(section))
            for (const Key& k : s->keys)
                if (equalNoCase(k.name, key))
                    return &k;
        return nullptr;
    }
};

ProfileFile::ProfileFile() : m_data(std::make_unique<Data>()) {}

ProfileFile::ProfileFile(const std::string& path) : ProfileFile()
{
    std::string text;
    if (readFile(path, text) != kOk)
        return;
    m_data->exists = true;
    Data::Section* current = nullptr;
    for (const Line& line : splitLines(text)) {
        if (line.kind == Line::kSection) {
            current = nullptr;
            if (!m_data->find(line.name)) {
                m_data->sections.push_back({std::string(line.name), {}});
                current = &m_data->sections.back();
            }
        } else if (line.kind == Line::kKey && current) {
            bool seen = false;
            for (const Data::Key& k : current->keys)
                seen = seen || equalNoCase(k.name, line.name);
            if (!seen)
                current->keys.push_back({std::string(line.name), readerValue(line.value)});
        }
    }
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
    return k ? k->value : std::string(def);
}

unsigned ProfileFile::getInt(std::string_view section, std::string_view key, int def) const
{
    const Data::Key* k = m_data ? m_data->find(section, key) : nullptr;
    if (!k || k->value.empty())
        return static_cast<unsigned>(def);
    const std::string& v = k->value;
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
                names.push_back(s.name);
    return names;
}

std::vector<std::string> ProfileFile::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const Data::Section* s = m_data ? m_data->find(section) : nullptr)
        for (const Data::Key& k : s->keys)
            names.push_back(k.name);
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

// Replaces the file through a temporary file in the same folder, so that readers and a
// crash only ever see the old or the new contents.
int replaceFile(const std::string& path, std::string_view text, const mode_t* mode)
{
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100))
            return errno == ENOENT ? kErrPathNotFound : lastError();
    }
    int rc = kOk;
    if (mode)
        ::fchmod(fd, *mode);
    for (std::size_t done = 0; done < text.size() && rc == kOk;) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n >= 0)
            done += n;
        else if (errno != EINTR)
            rc = lastError();
    }
    if (rc == kOk && ::fsync(fd) != 0)
        rc = lastError();
    if (::close(fd) != 0 && rc == kOk)
        rc = lastError();
    if (rc == kOk && ::rename(temp.c_str(), path.c_str()) != 0)
        rc = lastError();
    if (rc != kOk)
        ::unlink(temp.c_str());
    return rc;
}

} // namespace

int writeProfileString(const std::string& path, std::string_view section, const char* key,
                       const char* value)
{
    std::string text;
    mode_t mode = 0;
    const int rc = readFile(path, text, &mode);
    if (rc != kOk && rc != kErrFileNotFound)
        return rc;
    if (!editProfile(text, section, key, value))
        return kOk;
    return replaceFile(path, text, rc == kOk ? &mode : nullptr);
}

} // namespace platform
