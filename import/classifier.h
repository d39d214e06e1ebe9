#pragma once

// Decides for each parsed line whether it becomes a record, normalises its path and
// referer so that one page is always spelled the same way, pools every stored text once
// and appends the record to the pending batch.

#include "import/fragment_set.h"
#include "import/line_parser.h"
#include "import/machine_agents.h"
#include "import/sievra.h"
#include "import/string_pool.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sievra {

// The import options that shape the data; lists hold what the caller passed.
struct ClassifyOptions
{
    std::uint32_t flags = 0;
    std::bitset<1001> statuses;          // 1..1000
    std::vector<std::uint32_t> methods;  // 4-byte keys, "GET "
    std::vector<std::string> skipExts;   // compared ignoring ASCII case
    std::vector<std::string> dirIndexes; // compared ignoring ASCII case
    MachineAgents* machines = nullptr;   // browsers only: agents that name a machine

    void addStatus(const char* text); // decimal, like strtol; 1..1000 only
    void addMethod(std::string_view text);
};

struct PendingRecord
{
    std::uint32_t time;
    std::uint32_t host;     // host pool identity
    std::uint32_t fragment; // fragment set index
};
static_assert(sizeof(PendingRecord) == 12);

// Everything an import collects: seven pools, the fragments and the unwritten records.
struct ImportData
{
    StringPool paths, referers, hosts, users, agents, queries, refQueries;
    FragmentSet fragments;
    std::vector<PendingRecord> pending;

    std::size_t bytes() const;
};

// A line decided on and made ready to be pooled: what the tests and the text work leave
// for the part of the classification that must go in line order (the pools and the
// fragments). Its spans point into the line's text, which must outlive it.
struct PreparedLine
{
    LineFields fields;
    std::string path;    // normalised
    std::string referer; // normalised; used when hasReferer
    bool hasReferer = false;
    bool hasUser = false;
    bool hasQuery = false;
    bool hasRefQuery = false;
    bool hasAgent = false;
    // StringPool::hashOf of each text pooled, in the order of the pools below.
    enum Text { kHost, kUser, kPath, kQuery, kReferer, kRefQuery, kAgent, kTexts };
    std::uint32_t hash[kTexts] = {};
    // Each text's identity among the texts of its batch (BatchTexts); 0 for none.
    std::uint32_t local[kTexts] = {};
};

// The texts of a batch of prepared lines, each once per kind in the order first met: the
// batch's own small pools, made on the thread that prepares the lines, so that the shared
// pools see each text of a batch once (and in the same order as line by line).
class BatchTexts
{
  public:
    BatchTexts();
    void clear();
    // Sets line.local from the line's texts (those pool() would store).
    void add(PreparedLine& line);
    // The texts of one kind by local identity (identity 0, none, is empty), and their hashes.
    const std::vector<std::string_view>& texts(PreparedLine::Text kind) const
    {
        return m_kinds[kind].texts;
    }
    const std::vector<std::uint32_t>& hashes(PreparedLine::Text kind) const
    {
        return m_kinds[kind].hashes;
    }

  private:
    struct Kind
    {
        std::vector<std::string_view> texts;
        std::vector<std::uint32_t> hashes;
        std::vector<std::uint32_t> slots; // local identity, 0 = empty
        std::uint32_t mask = 0;
        std::uint32_t add(std::string_view text, std::uint32_t hash);
    };
    Kind m_kinds[PreparedLine::kTexts];
};

class Classifier
{
  public:
    explicit Classifier(const ClassifyOptions& options) : m_options(options) {}

    // 0 when the line was stored, 1 when it was excluded. May set LA_F_TRUNCATED in
    // flags; shortens the spans of `line` (directory index folding, 1024-byte cuts).
    int classify(LineFields& line, std::uint32_t& flags, ImportData& data);

    // classify in two halves: prepare decides and readies the texts (threads may prepare
    // lines at the same time, each with a classifier of its own; the machine rules they
    // share answer one at a time), pool then stores a line prepare kept (0), in line order.
    int prepare(LineFields& line, std::uint32_t& flags, PreparedLine& out);
    // The tests of prepare that read only the host and the request (parseHead's fields):
    // false when they already exclude the line.
    bool keepsRequest(const LineFields& line) const;
    void pool(const PreparedLine& line, std::uint32_t flags, ImportData& data) const;
    // The fragment pool() makes of a line whose texts a BatchTexts holds: ids[kind][local
    // identity] is the shared pools' identity of each text.
    Fragment9 fragmentOf(const PreparedLine& line, std::uint32_t flags,
                         const std::vector<std::uint32_t> (&ids)[PreparedLine::kTexts]) const;

  private:
    bool inList(const std::vector<std::string>& list, std::string_view text) const;
    void foldDirectoryIndex(Span& span) const;
    // Whether browsers-only keeps a line of this agent (hash: StringPool::hashOf). Most
    // lines come from a few agents: the verdict of each is kept.
    bool browserAgent(std::string_view agent, std::uint32_t hash);

    const ClassifyOptions& m_options;
    PreparedLine m_prepared;
    struct Verdict
    {
        std::string agent;
        bool browser = false;
        bool known = false;
    };
    static constexpr std::size_t kVerdicts = 1024;
    std::vector<Verdict> m_verdicts = std::vector<Verdict>(kVerdicts);
};

// The classification options an import's record asks for: its lists, flags (the job's,
// without its state bits) and, when browsers-only asks for them and the record is long
// enough to carry them, the machine rules, read into machines.
ClassifyOptions classifyOptionsOf(const ImportOptions& options, std::uint32_t flags,
                                  std::unique_ptr<MachineAgents>& machines);

// Path and referer normalisation, in place: drops "#..." and resolves "/./", "//" (after
// the scheme) and "/../".
void normaliseUrl(std::string& text);

} // namespace sievra
