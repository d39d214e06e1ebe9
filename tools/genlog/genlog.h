#pragma once

// genlog: writes realistic Apache combined-format access logs of a fictional Japanese online
// shop, deterministically from a seed. Used for benchmarks, tests and the bundled sample.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace genlog {

inline constexpr char kSiteHost[] = "www.hanamizuki-zakka.jp";
inline constexpr char kSiteBareHost[] = "hanamizuki-zakka.jp";

struct Options
{
    std::uint64_t seed = 1;
    std::uint64_t lines = 10000; // written exactly
    int days = 7;                // the log covers [start, start + days)
    int startYear = 2026;
    int startMonth = 10;
    int startDay = 1;
    bool gzip = false;
    int level = 6;         // gzip level 1..9
    std::string output;    // empty: standard output
    std::string site;      // --site: write the demo site there instead of a log
    bool machines = false; // --machines: today's share of crawlers, AI bots and disguised ones
    std::string labels;    // --labels: where to write who each host was
    bool help = false;
};

// Parses the command line (argv[0] is skipped). False with a message on bad options.
bool parseArgs(int argc, const char* const* argv, Options& opt, std::string& error);
const char* usageText();

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(int y, int m, int d);

class Sink
{
  public:
    virtual ~Sink() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
    virtual bool finish() { return true; }
};

class FileSink : public Sink
{
  public:
    explicit FileSink(std::FILE* f) : m_f(f) {}
    bool write(const char* data, std::size_t size) override;
    bool finish() override;

  private:
    std::FILE* m_f;
};

class StringSink : public Sink
{
  public:
    bool write(const char* data, std::size_t size) override
    {
        text.append(data, size);
        return true;
    }
    std::string text;
};

// Compresses into a gzip stream (no name, time 0: the bytes depend on the input only).
class GzipSink : public Sink
{
  public:
    GzipSink(Sink& inner, int level);
    ~GzipSink() override;
    bool write(const char* data, std::size_t size) override;
    bool finish() override;

  private:
    bool pump(int flush);
    Sink& m_inner;
    void* m_stream; // z_stream, kept out of this header
    std::vector<unsigned char> m_out;
    bool m_ok = true;
};

// Writes exactly opt.lines lines to out (gzip and output in opt are ignored here).
// False when the sink failed or the character set conversions are missing.
// With labels, also what each host of the log was, one line per host in byte order:
// host TAB person|named|disguised TAB name ("-" for people), "mixed" when a host was several.
bool generate(const Options& opt, Sink& out, std::string* labels = nullptr);

// The Japanese search words (UTF-8) that search-engine referers and site searches carry;
// words written with U+3000 between their parts appear here with an ASCII space.
const std::vector<std::string>& searchWords();

} // namespace genlog
