#pragma once

// Sortwell's document: every text of one site (request paths, referer addresses and group
// names) with its visitor count, its group and its assignment number, and the set of
// groups. Texts are the program's multibyte code page (CP932), as in the store. Every
// assignment to a group, every removal from one and every new expression takes the next
// assignment number; the group file lists its entries in that order, so what the user did
// last comes last.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace store {
class LogContainer;
}

namespace sortwell {

enum class Mode { Request, Referer };

struct TextEntry
{
    std::uint32_t count = 0; // visitors who requested (or came from) the text
    std::string regexp;      // a group's expression, collecting matching texts at load
    std::uint64_t number = 0;
    std::string group;    // empty: in no group
    bool request = false; // listed in request mode
    bool referer = false; // listed in referer mode
};

// What the name dialog says of a proposed group name.
struct NameCheck
{
    bool ok = false;
    std::string note; // UTF-8; empty when there is nothing to say
};

class TextTable
{
  public:
    // The texts and counts of a loaded log (after the visitors are built): request paths
    // count the visitors who asked for them, outside referers the visitors who came from
    // them. Full referer addresses (with their query) are kept for the bottom pane.
    void fillFrom(const store::LogContainer& log);
    void clear();
    // One text with its count, listed in request mode or in referer mode.
    void addText(const std::string& text, std::uint32_t count, bool request);

    // Reads a group file's entries into the table in Sortwell's way: the first entry that
    // assigns a text wins. A line ends at CR or LF. Returns the number of entries taken.
    std::size_t applyGroupFile(std::string_view bytes);
    // The group file: an exact entry for every text in a group and an expression entry
    // for every group that has one, in assignment order, CR LF line ends.
    std::string groupFile() const;

    const std::map<std::string, TextEntry>& texts() const { return m_texts; }
    const TextEntry* find(const std::string& text) const;
    bool isGroup(const std::string& text) const { return m_groups.count(text) != 0; }
    const std::set<std::string>& groups() const { return m_groups; }
    // A text's count and, for a group, its members' totals (groups inside groups count
    // their members too).
    std::uint64_t total(const std::string& text) const;

    // The texts of a mode that belong to no group, and the members of a group; both in
    // list order (case ignored, then bytes).
    std::vector<std::string> ungrouped(Mode mode) const;
    std::vector<std::string> members(const std::string& group) const;
    // The groups of a mode: request groups begin with "/", referer groups with "http".
    std::vector<std::string> groupsOf(Mode mode) const;

    // A new group (also a text of the table). False when the name is a group already.
    bool createGroup(const std::string& name);
    // Moves texts into a group; the group itself, texts already in it and groups that hold
    // the target (which would make a cycle) are left where they are. Returns how many moved.
    std::size_t moveInto(const std::vector<std::string>& texts, const std::string& group);
    // Takes texts out of their groups. Returns how many were in one.
    std::size_t takeOut(const std::vector<std::string>& texts);
    // Gives every member (and the expression and the group's own place) of `from` to a
    // new group `to`; `from` is gone afterwards. False when `to` is a group already.
    bool rename(const std::string& from, const std::string& to);
    // A group's expression; false when it did not change.
    bool setExpression(const std::string& group, const std::string& expression);
    // Every text leaves its group; the groups and their expressions are gone.
    void removeAllGroups();

    // The first "/新しいRequestグループN" or "http://新しいRefererグループN" that is no group.
    std::string proposeName(Mode mode) const;
    NameCheck checkName(Mode mode, const std::string& name, const std::string& current) const;

    // The full referer addresses behind a text (its members' for a group) with the
    // visitors who came from each, most visitors first.
    std::vector<std::pair<std::string, std::uint32_t>> fullReferers(const std::string& text) const;

  private:
    TextEntry& entry(const std::string& text, bool requestSide);
    bool holds(const std::string& group, const std::string& text) const; // text inside group
    void assign(TextEntry& e, const std::string& group);

    std::map<std::string, TextEntry> m_texts;
    std::set<std::string> m_groups;
    std::map<std::string, std::map<std::string, std::uint32_t>> m_fullReferers;
    std::uint64_t m_counter = 0;
    // Totals of every text, made again after any change (lists ask for them per row and
    // per paint).
    mutable std::map<std::string, std::uint64_t> m_totals;
    mutable bool m_totalsValid = false;
};

// The rows of `texts` an expression matches (UTF-16 matching as everywhere in the
// program); error is the expression's failure code, 0 when it ran over every text.
std::vector<std::size_t> matchingRows(const std::vector<std::string>& texts,
                                      const std::string& pattern, int& error);

// Whether a text is listed with the request icons (it begins with "/") or the referer ones
// ("h"); anything else is plain.
enum class TextKind { Path, Address, Other };
TextKind kindOf(std::string_view text);

} // namespace sortwell
