#include "filters/word_rows.h"

#include "filters/stat_rows.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/parallel.h"
#include "platform/trace.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace filters {
namespace {

using Entry = const store::RefQEntry*;

std::uint32_t resultPage(const store::RefQEntry& e)
{
    return (e.rank + 9) / 10;
}

// Visits the page views with a search word of the input visitors.
template <typename F>
std::uint32_t forEachWordView(std::span<const store::VisitorEntry> visitors,
                              std::uint32_t dependency, F&& f)
{
    std::uint32_t input = 0;
    for (std::size_t vi = 0; vi < visitors.size(); ++vi) {
        const store::VisitorEntry& v = visitors[vi];
        if (!(v.mask & dependency))
            continue;
        ++input;
        f(vi, v);
    }
    return input;
}

void sortUnique(std::vector<Entry>& entries)
{
    std::sort(entries.begin(), entries.end(), std::less<Entry>());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
}

} // namespace

struct WordRows::Draft
{
    const char* word;
    std::vector<Entry> entries;
};

struct WordRows::WordView
{
    std::uint32_t visitor;
    std::uint32_t entry;
};

void WordRows::prepare(const store::LogContainer& log)
{
    if (m_fragments == log.Frg2.data() && m_fragmentCount == log.Frg2.size())
        return;
    m_fragments = log.Frg2.data();
    m_fragmentCount = log.Frg2.size();
    m_index.clear();
    m_entryOf.resize(m_fragmentCount);
    for (std::size_t f = 0; f < m_fragmentCount; ++f) {
        const store::RefQEntry* e = m_fragments[f].refq;
        m_entryOf[f] = e->word ? m_index.add(e) + 1 : 0;
    }
}

const std::uint32_t* WordRows::indexOf(const store::LogContainer& log) const
{
    // The log's index answers for records of the table alone; it is only used when every
    // record is one of them and the numbers kept are those of its fragments.
    const bool ours = m_fragments == log.Frg2.data() && m_fragmentCount == log.Frg2.size();
    return ours && log.RecordsIndexed() && log.RecOutside == 0 ? log.RecFrg.data() : nullptr;
}

std::uint32_t WordRows::entryAt(const store::LogRecord& r)
{
    const auto f = static_cast<std::size_t>(r.fragment - m_fragments);
    if (f < m_fragmentCount)
        return m_entryOf[f];
    const store::RefQEntry* e = r.fragment->refq; // not of the table (never in a load)
    return e->word ? m_index.add(e) + 1 : 0;
}

std::uint32_t WordRows::compute(const store::LogContainer& log, std::uint32_t dependency,
                                bool split, bool caps)
{
    std::uint32_t tick = platform::tickCount();
    const auto lap = [&tick](int step) {
        const std::uint32_t now = platform::tickCount();
        platform::trace("%d time=%d", step, static_cast<int>(now - tick));
        tick = now;
    };
    prepare(log);
    std::vector<WordView> views;
    std::vector<Draft> drafts;
    const std::uint32_t input = gatherPhrases(log, dependency, views, drafts);
    lap(1);
    m_buffer.clear();
    if (split)
        splitIntoWords(drafts);
    lap(2);
    if (!caps)
        foldCase(drafts);
    lap(3);
    countViews(log.Visitors, views, drafts);
    lap(4);
    return input;
}

std::uint32_t WordRows::gatherPhrases(const store::LogContainer& log, std::uint32_t dependency,
                                      std::vector<WordView>& views, std::vector<Draft>& drafts)
{
    // Phrases are grouped by the word's identity (its dictionary text). With the log's
    // record index the visitors are read in parts side by side, each with its own page
    // views, joined in part order (so in visitor order, as one loop has them).
    const std::span<const store::VisitorEntry> visitors(log.Visitors);
    const std::uint32_t* recFrg = indexOf(log);
    const unsigned parts = recFrg ? loopParts(log.Rec2.size()) : 1;
    struct Part
    {
        std::vector<WordView> views;
        std::vector<std::uint8_t> met;
        std::uint32_t input = 0;
    };
    std::vector<Part> found(parts);
    platform::runRanges(
        visitors.size(), parts, [&](unsigned part, std::size_t begin, std::size_t end) {
            Part& own = found[part];
            std::vector<std::uint8_t>& met = own.met;
            met.assign(m_index.size(), 0);
            own.input = forEachWordView(
                visitors.subspan(begin, end - begin), dependency,
                [&](std::size_t at, const store::VisitorEntry& v) {
                    const auto vi = static_cast<std::uint32_t>(begin + at);
                    const auto j = static_cast<std::size_t>(v.first - log.Rec2.data());
                    for (std::uint32_t i = 0; i < v.count; ++i)
                        if (const std::uint32_t n =
                                recFrg ? m_entryOf[recFrg[j + i]] : entryAt(v.first[i])) {
                            if (n > met.size())
                                met.resize(m_index.size(), 0);
                            met[n - 1] = 1;
                            own.views.push_back({vi, n});
                        }
                });
        });
    std::uint32_t input = 0;
    std::vector<std::uint8_t>& met = found[0].met;
    views = std::move(found[0].views);
    for (unsigned part = 0; part < parts; ++part) {
        input += found[part].input;
        if (part == 0)
            continue;
        views.insert(views.end(), found[part].views.begin(), found[part].views.end());
        for (std::size_t n = 0; n < met.size(); ++n)
            met[n] |= found[part].met[n];
    }
    std::vector<Entry> byPhrase;
    for (std::size_t n = 0; n < met.size(); ++n)
        if (met[n])
            byPhrase.push_back(m_index.keys()[n]);
    std::sort(byPhrase.begin(), byPhrase.end(), [](Entry a, Entry b) {
        return a->word != b->word ? std::less<const char*>()(a->word, b->word)
                                  : std::less<Entry>()(a, b);
    });
    for (const Entry e : byPhrase) {
        if (drafts.empty() || drafts.back().word != e->word)
            drafts.push_back({e->word, {}});
        drafts.back().entries.push_back(e);
    }
    return input;
}

void WordRows::splitIntoWords(std::vector<Draft>& drafts)
{
    // Words: maximal runs of bytes other than the ASCII space (a trail byte is never 0x20),
    // each with the union of the entries of the phrases holding it.
    struct Piece
    {
        std::string_view word;
        std::uint32_t phrase;
    };
    std::vector<Piece> pieces;
    for (std::uint32_t p = 0; p < drafts.size(); ++p) {
        const std::string_view phrase = drafts[p].word;
        std::size_t at = 0;
        while (at < phrase.size()) {
            const std::size_t begin = phrase.find_first_not_of(' ', at);
            if (begin == std::string_view::npos)
                break;
            const std::size_t end = std::min(phrase.find(' ', begin), phrase.size());
            pieces.push_back({phrase.substr(begin, end - begin), p});
            at = end;
        }
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
        return a.word != b.word ? a.word < b.word : a.phrase < b.phrase;
    });
    std::vector<Draft> words;
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i == 0 || pieces[i].word != pieces[i - 1].word) {
            offsets.push_back(m_buffer.size());
            m_buffer.insert(m_buffer.end(), pieces[i].word.begin(), pieces[i].word.end());
            m_buffer.push_back('\0');
            words.push_back({nullptr, {}});
        } else if (pieces[i].phrase == pieces[i - 1].phrase) {
            continue; // the word twice in one phrase
        }
        const auto& from = drafts[pieces[i].phrase].entries;
        words.back().entries.insert(words.back().entries.end(), from.begin(), from.end());
    }
    for (std::size_t w = 0; w < words.size(); ++w)
        words[w].word = m_buffer.data() + offsets[w];
    drafts.swap(words);
}

void WordRows::foldCase(std::vector<Draft>& drafts)
{
    // Rows equal but for case become the one first in key order. Drafts are in key order
    // (dictionary pointers, or the buffer's byte order), so a stable sort by the folded text
    // puts each group's representative first.
    if (drafts.size() < 2)
        return;
    std::vector<std::uint32_t> order(drafts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return platform::compareNoCase(drafts[a].word, drafts[b].word) < 0;
    });
    std::vector<bool> merged(drafts.size(), false);
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i + 1;
        Draft& head = drafts[order[i]];
        while (j < order.size() && platform::equalNoCase(head.word, drafts[order[j]].word)) {
            auto& more = drafts[order[j]].entries;
            head.entries.insert(head.entries.end(), more.begin(), more.end());
            merged[order[j]] = true;
            ++j;
        }
        if (j > i + 1)
            sortUnique(head.entries);
        i = j;
    }
    std::vector<Draft> kept;
    for (std::size_t i = 0; i < drafts.size(); ++i)
        if (!merged[i])
            kept.push_back(std::move(drafts[i]));
    drafts.swap(kept);
}

void WordRows::countViews(std::span<const store::VisitorEntry> visitors,
                          const std::vector<WordView>& views, const std::vector<Draft>& drafts)
{
    m_rows.clear();
    m_entries.clear();
    std::vector<std::uint32_t> rowsOfEntry(m_index.size() + 1, 0); // CSR over entry numbers
    for (const Draft& d : drafts)
        for (const Entry e : d.entries)
            ++rowsOfEntry[m_index.find(e) + 1];
    for (std::size_t i = 1; i < rowsOfEntry.size(); ++i)
        rowsOfEntry[i] += rowsOfEntry[i - 1];
    std::vector<std::uint32_t> rowList(rowsOfEntry.back());
    {
        std::vector<std::uint32_t> fill(rowsOfEntry.begin(), rowsOfEntry.end() - 1);
        for (std::uint32_t r = 0; r < drafts.size(); ++r)
            for (const Entry e : drafts[r].entries)
                rowList[fill[m_index.find(e)]++] = r;
    }
    struct Sums
    {
        std::uint64_t hits = 0, pages = 0, stay = 0, clicks = 0;
        std::uint32_t visitors = 0, lastVisitor = 0;
    };
    std::vector<Sums> sums(drafts.size());
    std::vector<std::uint32_t> touched;
    for (std::size_t at = 0; at < views.size();) {
        const std::uint32_t vi = views[at].visitor;
        const auto stamp = vi + 1;
        touched.clear();
        for (; at < views.size() && views[at].visitor == vi; ++at) {
            const std::uint32_t e = views[at].entry;
            const std::uint32_t page = resultPage(*m_index.keys()[e - 1]);
            for (std::uint32_t k = rowsOfEntry[e - 1]; k < rowsOfEntry[e]; ++k) {
                Sums& s = sums[rowList[k]];
                ++s.hits;
                s.pages += page;
                if (s.lastVisitor != stamp) {
                    s.lastVisitor = stamp;
                    touched.push_back(rowList[k]);
                }
            }
        }
        const store::VisitorEntry& v = visitors[vi];
        const std::uint32_t stay = v.first[v.count - 1].time - v.first[0].time;
        for (const std::uint32_t r : touched) {
            ++sums[r].visitors;
            sums[r].stay += stay;
            sums[r].clicks += v.count - 1;
        }
    }

    // The rows with their averages.
    for (std::size_t r = 0; r < drafts.size(); ++r) {
        const Sums& s = sums[r];
        if (s.visitors == 0)
            continue;
        const double n = s.visitors;
        m_rows.push_back(WordRow{drafts[r].word, s.visitors, static_cast<std::uint32_t>(s.hits),
                                 static_cast<float>(double(s.stay) / n),
                                 static_cast<float>(double(s.pages) / double(s.hits)),
                                 static_cast<float>(double(s.clicks) / n),
                                 static_cast<std::uint32_t>(m_entries.size()),
                                 static_cast<std::uint32_t>(drafts[r].entries.size())});
        m_entries.insert(m_entries.end(), drafts[r].entries.begin(), drafts[r].entries.end());
    }
}

bool WordRows::meets(const WordRow& row, const EntrySet& selection) const
{
    for (const Entry e : entries(row))
        if (selection.contains(e))
            return true;
    return false;
}

void WordRows::sort(unsigned sortType)
{
    if (sortType > 11)
        sortType = 2;
    const bool direction1 = sortType & 1;
    const auto smaller = [](const WordRow& a, const WordRow& b) {
        return std::less<const char*>()(a.word, b.word);
    };
    // Direction 0 is descending for every value but the result page.
    const auto byValue = [&](auto value, bool descendingFirst) {
        const bool descending = descendingFirst != direction1;
        std::sort(m_rows.begin(), m_rows.end(), [&](const WordRow& a, const WordRow& b) {
            const auto va = value(a), vb = value(b);
            if (va != vb)
                return descending ? va > vb : va < vb;
            return smaller(a, b);
        });
    };
    switch (sortType / 2) {
    case 0:
        std::sort(m_rows.begin(), m_rows.end(), [&](const WordRow& a, const WordRow& b) {
            return direction1 ? smaller(b, a) : smaller(a, b);
        });
        break;
    case 1:
        byValue([](const WordRow& r) { return r.visitors; }, true);
        break;
    case 2:
        byValue([](const WordRow& r) { return r.stayPerVisitor; }, true);
        break;
    case 3:
        byValue([](const WordRow& r) { return r.resultPagePerHit; }, false);
        break;
    case 4:
        byValue([](const WordRow& r) { return r.clicksPerVisitor; }, true);
        break;
    default:
        byValue([](const WordRow& r) { return r.hits; }, true);
        break;
    }
}

void WordRows::clear()
{
    m_fragments = nullptr;
    m_fragmentCount = 0;
    m_entryOf = {};
    m_index.clear();
    m_rows.clear();
    m_entries.clear();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

std::uint32_t WordRows::apply(store::LogContainer& log, std::uint32_t dependency,
                              std::uint32_t ownBit, const EntrySet& selection)
{
    prepare(log);
    std::vector<std::uint8_t> selected;
    const auto in = [&](std::uint32_t n) {
        while (selected.size() < n) // entries met for the first time here
            selected.push_back(selection.contains(m_index.keys()[selected.size()]) ? 1 : 0);
        return selected[n - 1] != 0;
    };
    const std::uint32_t* recFrg = indexOf(log);
    const unsigned parts = recFrg ? loopParts(log.Rec2.size()) : 1;
    if (recFrg && m_index.size() > 0) // every entry is known: the parts only read
        in(static_cast<std::uint32_t>(m_index.size()));
    std::vector<std::uint32_t> passed(parts, 0);
    std::vector<store::VisitorEntry>& visitors = log.Visitors;
    platform::runRanges(
        visitors.size(), parts, [&](unsigned part, std::size_t begin, std::size_t end) {
            for (std::size_t vi = begin; vi < end; ++vi) {
                store::VisitorEntry& v = visitors[vi];
                v.mask &= ~ownBit;
                if (!(v.mask & dependency) || selection.empty())
                    continue;
                const auto j = static_cast<std::size_t>(v.first - log.Rec2.data());
                for (std::uint32_t i = 0; i < v.count; ++i) {
                    const std::uint32_t n = recFrg ? m_entryOf[recFrg[j + i]] : entryAt(v.first[i]);
                    if (n && in(n)) {
                        v.mask |= ownBit;
                        ++passed[part];
                        break;
                    }
                }
            }
        });
    std::uint32_t total = 0;
    for (const std::uint32_t n : passed)
        total += n;
    return total;
}

void rankSeries(std::span<const store::VisitorEntry> visitors, std::uint32_t ownBit,
                const EntrySet& selection, std::uint32_t start, std::uint32_t length,
                std::span<RankBucket> buckets)
{
    if (length == 0 || buckets.empty())
        return;
    for (const store::VisitorEntry& v : visitors) {
        if (!(v.mask & ownBit))
            continue;
        for (std::uint32_t i = 0; i < v.count; ++i) {
            const store::LogRecord& r = v.first[i];
            const store::RefQEntry* e = r.fragment->refq;
            if (!e->word || !selection.contains(e) || r.time < start)
                continue;
            const std::uint32_t b = (r.time - start) / length;
            if (b < buckets.size()) {
                buckets[b].sum += resultPage(*e);
                ++buckets[b].count;
            }
        }
    }
}

} // namespace filters
