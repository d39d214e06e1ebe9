#include "platform/errors.h"
#include "platform/profile.h"
#include "temp_dir.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

using namespace platform;

class Profile : public testing::Test
{
  protected:
    std::string put(const std::string& text, const std::string& name = "conf.ini")
    {
        const std::string path = m_dir.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    vxtest::TempDir m_dir;
};

// Changes LF line ends into CR LF.
std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const char kSample[] = "; settings\n"
                       "top=before any section\n"
                       "[General]\n"
                       "Name = Vexilo  \n"
                       "Quoted=\"  spaced  \"\n"
                       "Half=\"abc\n"
                       "Inner=a\"b\"c\n"
                       "Lone=\"\n"
                       "Empty=\n"
                       "EmptyQuotes=\"\"\n"
                       "\tTab\t=\ttabbed\t\n"
                       "Dup=first\n"
                       "Dup=second\n"
                       "  ; note=not a key\n"
                       "no equals sign here\n"
                       "Path=C:\\logs\\access.log\n"
                       "Eq=a=b\n"
                       "[ Other ]\n"
                       "key=other\n"
                       "[general]\n"
                       "Name=second section of the name\n"
                       "[\x83\x5D]\n" // "ゾ": its trail byte is "]"
                       "k=zo\n"
                       "[\x83\x41]\n" // "ア": its trail byte is "A"
                       "k=a\n";

TEST_F(Profile, ReadsValuesAsWin32Does)
{
    const struct
    {
        const char* section;
        const char* key;
        const char* value; // nullptr: the default comes back
    } cases[] = {
        {"General", "Name", "Vexilo"},
        {"GENERAL", "name", "Vexilo"}, // first section of a name wins
        {"General", "Quoted", "  spaced  "},
        {"General", "Half", "\"abc"},
        {"General", "Inner", "a\"b\"c"},
        {"General", "Lone", "\""},
        {"General", "Empty", ""},
        {"General", "EmptyQuotes", ""},
        {"General", "Tab", "tabbed"},
        {"General", "Dup", "first"},
        {"General", "; note", nullptr},
        {"General", "no equals sign here", nullptr},
        {"General", "Path", "C:\\logs\\access.log"},
        {"General", "Eq", "a=b"},
        {"General", "Missing", nullptr},
        {"Other", "KEY", "other"},
        {"", "top", nullptr},
        {"Missing", "Name", nullptr},
        {"\x83\x5D", "k", "zo"},
        {"\x83\x41", "k", "a"},
        {"\x83\x61", "k", nullptr}, // "ヂ" differs from "ア" only in the trail byte's case
    };
    for (const bool windowsLineEnds : {false, true}) {
        const std::string path = put(windowsLineEnds ? crlf(kSample) : std::string(kSample));
        const ProfileFile file(path);
        EXPECT_TRUE(file.exists());
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.section) + "/" + c.key + (windowsLineEnds ? " CRLF" : ""));
            const std::string expected = c.value ? c.value : "(default)";
            EXPECT_EQ(file.getString(c.section, c.key, "(default)"), expected);
            EXPECT_EQ(getProfileString(path, c.section, c.key, "(default)"), expected);
        }
        const std::vector<std::string> sections = {"General", "Other", "\x83\x5D", "\x83\x41"};
        EXPECT_EQ(file.sectionNames(), sections);
        const std::vector<std::string> keys = {"Name", "Quoted", "Half",        "Inner",
                                               "Lone", "Empty",  "EmptyQuotes", "Tab",
                                               "Dup",  "Path",   "Eq"};
        EXPECT_EQ(file.keyNames("general"), keys);
        EXPECT_TRUE(file.keyNames("Missing").empty());
    }
}

TEST_F(Profile, LongValuesAreCutWithoutSplittingACharacter)
{
    const std::string x1021(1021, 'x'), x1022(1022, 'x'), x1023(1023, 'x');
    const struct
    {
        std::string value, read;
    } cases[] = {
        {x1023, x1023},
        {x1023 + "y", x1023},
        {x1021 + "\x83\x41", x1021 + "\x83\x41"}, // ends exactly at 1023 bytes
        {x1022 + "\x83\x41", x1022},              // would straddle the cut
        {x1022 + "\xB1\xB1", x1022 + "\xB1"},     // half-width katakana are single bytes
        {"\"" + x1023 + "\"", x1023},             // quotes go before the cut
        {x1022 + "\x83\x5D" + std::string(5, 'z'), x1022},
    };
    for (const auto& c : cases) {
        const std::string path = put("[s]\r\nk=" + c.value + "\r\n");
        const std::string read = getProfileString(path, "s", "k", "");
        EXPECT_EQ(read.size(), c.read.size()) << c.value.size();
        EXPECT_EQ(read, c.read);
    }
}

TEST_F(Profile, GetIntTakesLeadingDigits)
{
    const struct
    {
        const char* line; // nullptr: no such key
        int def;
        unsigned expected;
    } cases[] = {
        {"k=12abc", 7, 12},
        {"k=-5", 7, 0},
        {"k=", 7, 7},
        {"k=\"\"", 7, 7},
        {"k=abc", 7, 0},
        {"k=  42  ", 7, 42},
        {"k=+8", 7, 8},
        {"k=\"15\"", 7, 15},
        {"k=007", 7, 7},
        {"k=1 2", 7, 1},
        {"k=0x10", 7, 0},
        {"k=-0", 7, 0},
        {"k=4294967295", 7, 4294967295u},
        {nullptr, 7, 7},
        {nullptr, -1, ~0u},
        {"k=\" 9\"", 7, 9},
    };
    for (const auto& c : cases) {
        const std::string path = put(std::string("[s]\n") + (c.line ? c.line : "other=1") + "\n");
        EXPECT_EQ(getProfileInt(path, "S", "K", c.def), c.expected) << (c.line ? c.line : "none");
    }
}

TEST_F(Profile, SectionNamesIntoABoundedBuffer)
{
    const std::string path = put("[ab]\n[cde]\nx=1\n[f]\n[AB]\n");
    const struct
    {
        std::size_t size;
        std::size_t result;
        std::string bytes; // the first `size` bytes of the buffer
    } cases[] = {
        {20, 9, std::string("ab\0cde\0f\0\0", 10)},
        {11, 9, std::string("ab\0cde\0f\0\0", 10)},
        {10, 8, std::string("ab\0cde\0f\0\0", 10)}, // an exact fit reads as cut
        {9, 7, std::string("ab\0cde\0\0\0", 9)},
        {6, 4, std::string("ab\0c\0\0", 6)},
        {2, 0, std::string("\0\0", 2)},
        {1, 0, std::string("\0", 1)},
        {0, 0, ""},
    };
    for (const auto& c : cases) {
        char buf[32];
        std::memset(buf, 0x7F, sizeof buf);
        EXPECT_EQ(getProfileSectionNames(path, buf, c.size), c.result) << c.size;
        EXPECT_EQ(std::string(buf, c.bytes.size()), c.bytes) << c.size;
        if (c.bytes.size() < sizeof buf) {
            EXPECT_EQ(buf[std::max(c.size, c.bytes.size())], 0x7F) << "wrote past " << c.size;
        }
    }

    // A cut name never ends in half a double-byte character.
    const std::string wide = put("[\x83\x41\x83\x41\x83\x41]\n", "wide.ini");
    char buf[8];
    EXPECT_EQ(getProfileSectionNames(wide, buf, 5), 3u);
    EXPECT_EQ(std::string(buf, 5), std::string("\x83\x41\0\0\0", 5));
}

TEST_F(Profile, ManySectionsOverflowTheRuleLoadersBuffer)
{
    std::string text;
    for (int i = 0; i < 300; ++i) {
        // "Section000".."Section299": 10 bytes, 11 with the NUL
        text += "[Section" + std::to_string(1000 + i).substr(1) + "]\r\nPattern=x\r\n";
    }
    const std::string path = put(text);
    std::vector<char> buf(2048);
    ASSERT_EQ(getProfileSectionNames(path, buf.data(), buf.size()), 2048u - 2);
    EXPECT_EQ(buf[2046], '\0');
    EXPECT_EQ(buf[2047], '\0');

    std::vector<std::string> listed;
    for (const char* p = buf.data(); *p; p += std::strlen(p) + 1)
        listed.push_back(p);
    // Each name takes 11 bytes; 2046 bytes hold 186 of them before the closing NUL.
    ASSERT_EQ(listed.size(), 186u);
    const std::vector<std::string> all = ProfileFile(path).sectionNames();
    EXPECT_EQ(listed, std::vector<std::string>(all.begin(), all.begin() + 186));
}

TEST_F(Profile, WritesKeepTheRestOfTheFile)
{
    const std::string base = "; c\r\n"
                             "[General]\r\n"
                             "Name = Old \r\n"
                             "Other=1\r\n"
                             "\r\n"
                             "[Next]\r\n"
                             "x=1\r\n";
    const struct
    {
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    } cases[] = {
        // The key line is replaced in place under its own spelling.
        {base, "general", "NAME", "New",
         "; c\r\n[General]\r\nName=New\r\nOther=1\r\n\r\n[Next]\r\nx=1\r\n"},
        // A new key goes after the section's last key, before its blank lines.
        {base, "General", "Added", "v",
         "; c\r\n[General]\r\nName = Old \r\nOther=1\r\nAdded=v\r\n\r\n[Next]\r\nx=1\r\n"},
        {base, "New", "k", "v", base + "[New]\r\nk=v\r\n"},
        {base, "General", "other", nullptr,
         "; c\r\n[General]\r\nName = Old \r\n\r\n[Next]\r\nx=1\r\n"},
        {base, "GENERAL", nullptr, nullptr, "; c\r\n[Next]\r\nx=1\r\n"},
        {base, "Next", nullptr, nullptr, "; c\r\n[General]\r\nName = Old \r\nOther=1\r\n\r\n"},
        {base, "General", "Missing", nullptr, base},
        {base, "Missing", nullptr, nullptr, base},
        // LF files stay LF.
        {"[a]\nx=1\n", "a", "y", "2", "[a]\nx=1\ny=2\n"},
        {"[a]\nx=1\n", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n"},
        // No line end after the last line.
        {"[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
        {"[a]\r\nx=1", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        // A section with no keys yet.
        {"[a]\r\n; only a comment\r\n[b]\r\n", "a", "k", "v",
         "[a]\r\nk=v\r\n; only a comment\r\n[b]\r\n"},
        // Duplicates: the first section of a name is the one written; every line of a
        // deleted key goes.
        {"[a]\nk=1\n[A]\nk=2\n", "A", "k", "9", "[a]\nk=9\n[A]\nk=2\n"},
        {"[a]\nk=1\nK=2\nz=3\n", "a", "k", nullptr, "[a]\nz=3\n"},
        // "ヂ" is not "ア" in another case.
        {"[\x83\x41]\nk=1\n", "\x83\x61", "k", "2", "[\x83\x41]\nk=1\n[\x83\x61]\nk=2\n"},
        {"[\x83\x5D]\nk=1\n", "\x83\x5D", "k", "2", "[\x83\x5D]\nk=2\n"},
        {"", "s", "k", "\"quoted\"", "[s]\r\nk=\"quoted\"\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.before) + " " + c.section + " " +
                     (c.key ? c.key : "(null)") + " " + (c.value ? c.value : "(null)"));
        const std::string path = put(c.before);
        EXPECT_EQ(writeProfileString(path, c.section, c.key, c.value), 0);
        EXPECT_EQ(contents(path), c.after);
    }
}

TEST_F(Profile, WriteCreatesTheFileKeepsPermissionsAndReportsErrors)
{
    const std::string path = m_dir.file("new.ini");
    EXPECT_FALSE(ProfileFile(path).exists());
    EXPECT_EQ(getProfileString(path, "s", "k", "def"), "def");
    EXPECT_EQ(writeProfileString(path, "s", "k", nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(path)); // nothing to delete, nothing created

    EXPECT_EQ(writeProfileString(path, "Sec", "Key", "  value  "), 0);
    EXPECT_EQ(writeProfileString(path, "Sec", "Num", "17"), 0);
    EXPECT_EQ(contents(path), "[Sec]\r\nKey=  value  \r\nNum=17\r\n");
    EXPECT_EQ(getProfileString(path, "sec", "key", ""), "value");

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(writeProfileString(path, "Sec", "Num", "18"), 0);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Only the file itself is in the folder: no temporary files left behind.
    const auto entries = std::distance(std::filesystem::directory_iterator(m_dir.path()), {});
    EXPECT_EQ(entries, 1);

    EXPECT_EQ(writeProfileString(m_dir.file("no/such/folder.ini"), "s", "k", "v"),
              kErrPathNotFound);
    EXPECT_NE(writeProfileString(m_dir.path(), "s", "k", "v"), 0); // a folder, not a file
}

} // namespace

namespace {

// Many sections and keys whose names repeat across sections and in other cases: each read
// finds its own section's first key, whatever the other sections hold.
TEST_F(Profile, LargeFilesKeepFirstSectionAndFirstKeyPerName)
{
    constexpr int kSections = 400, kKeys = 25;
    std::string text;
    for (int s = 0; s < kSections; ++s) {
        text += "[Section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < kKeys; ++k)
            text += "Key" + std::to_string(k) + "=" + std::to_string(s * 1000 + k) + "\r\n";
        text += "KEY0=later key of the same name\r\n";
    }
    // Second sections of the same names, in another case: never read.
    for (int s = 0; s < kSections; s += 7)
        text += "[SECTION" + std::to_string(s) + "]\r\nKey1=second section\r\nExtra=x\r\n";
    const ProfileFile file(put(text));
    ASSERT_EQ(file.sectionNames().size(), std::size_t(kSections));
    for (int s = 0; s < kSections; ++s) {
        const std::string section = (s % 2 ? "section" : "SECTION") + std::to_string(s);
        ASSERT_EQ(file.keyNames(section).size(), std::size_t(kKeys)) << section;
        for (int k = 0; k < kKeys; ++k)
            ASSERT_EQ(file.getString(section, (k % 3 ? "key" : "KEY") + std::to_string(k), "-"),
                      std::to_string(s * 1000 + k))
                << section << " " << k;
        EXPECT_EQ(file.getString(section, "Extra", "-"), "-") << section;
        EXPECT_EQ(file.getString(section, "Key" + std::to_string(kKeys), "-"), "-") << section;
    }
    EXPECT_EQ(file.getString("Section" + std::to_string(kSections), "Key0", "-"), "-");
}

} // namespace
