#pragma once

// The search-word kind's rows. A page view belongs to this kind when its RefQEntry has a
// search word, and the entry is its identity: each row holds the set of entries whose
// phrase it shows, and the pane's selection is a set of entries, not of words. So a
// selection survives switching between whole phrases and single words, and between the
// case modes: the rows that contain a selected entry are selected again.

#include "filters/key_set.h"
#include "store/log_container.h"

#include <cstdint>
#include <span>
#include <vector>

namespace filters {

using EntrySet = PointerSet<store::RefQEntry>;

struct WordRow
{
    const char* word;       // the phrase (a dictionary text) or a split word (the buffer)
    std::uint32_t visitors; // input visitors with a page view whose entry is in the row
    std::uint32_t hits;     // such page views
    float stayPerVisitor;
    float resultPagePerHit; // average of (rank + 9) / 10: the page of ten results
    float clicksPerVisitor; // average of the visitors' page views - 1
    std::uint32_t first;    // its entries: WordRows::entries(row)
    std::uint32_t count;
};

class WordRows
{
  public:
    // Recomputes the rows from the input visitors (mask has `dependency`): phrases grouped,
    // cut into words at ASCII spaces when split, merged case-insensitively unless caps.
    // Rows come in key order. Returns the number of input visitors.
    std::uint32_t compute(const store::LogContainer& log, std::uint32_t dependency, bool split,
                          bool caps);
    // Bit ownBit of the visitors in the input that have a page view whose entry is
    // selected; cleared for all others. Returns how many passed.
    std::uint32_t apply(store::LogContainer& log, std::uint32_t dependency, std::uint32_t ownBit,
                        const EntrySet& selection);

    std::vector<WordRow>& rows() { return m_rows; }
    const std::vector<WordRow>& rows() const { return m_rows; }
    std::span<const store::RefQEntry* const> entries(const WordRow& row) const
    {
        return {m_entries.data() + row.first, row.count};
    }
    // Whether the row holds an entry of the selection.
    bool meets(const WordRow& row, const EntrySet& selection) const;

    // 0/1 word, 2/3 visitors, 4/5 stay, 6/7 result page (direction 0 ascending: the best
    // ranked first), 8/9 clicks, 10/11 hits; the smaller key first among equal values.
    // Unknown types sort as 2.
    void sort(unsigned sortType);

    // Drops the rows, the word buffer and the entries kept (the log closed).
    void clear();

  private:
    struct Draft;    // a row under construction: its word and its entries
    struct WordView; // a page view with a word: its visitor and its entry's number

    // The steps of compute. 1: every entry with a word met in the input, grouped by phrase,
    // and the page views with a word (a few of all); 2: the phrases cut into words; 3: rows
    // equal but for case merged; 4: each page view counted for every row holding its entry.
    std::uint32_t gatherPhrases(const store::LogContainer& log, std::uint32_t dependency,
                                std::vector<WordView>& views, std::vector<Draft>& drafts);
    void splitIntoWords(std::vector<Draft>& drafts);
    static void foldCase(std::vector<Draft>& drafts);
    void countViews(std::span<const store::VisitorEntry> visitors,
                    const std::vector<WordView>& views, const std::vector<Draft>& drafts);

    // Numbers the entries with a word once per log (1, 2, ...; 0: no word) and keeps each
    // fragment's number, so that the passes over the page views read one word per view.
    void prepare(const store::LogContainer& log);
    std::uint32_t entryAt(const store::LogRecord& r);
    // The log's record index where it may stand in for entryAt (else null).
    const std::uint32_t* indexOf(const store::LogContainer& log) const;

    const store::Fragment* m_fragments = nullptr;
    std::size_t m_fragmentCount = 0;
    std::vector<std::uint32_t> m_entryOf;
    PointerIndex<store::RefQEntry> m_index;

    std::vector<WordRow> m_rows;
    std::vector<const store::RefQEntry*> m_entries;
    std::vector<char> m_buffer; // the split words, NUL-terminated, in ascending byte order
};

// The graph view's search-rank series: for the visitors with ownBit and each of their page
// views whose entry is selected, the bucket (time - start) / length gets the result page
// (rank + 9) / 10 added to its sum and 1 to its count. Times outside the buckets are left
// out.
struct RankBucket
{
    std::uint64_t sum = 0;
    std::uint32_t count = 0;
};
void rankSeries(std::span<const store::VisitorEntry> visitors, std::uint32_t ownBit,
                const EntrySet& selection, std::uint32_t start, std::uint32_t length,
                std::span<RankBucket> buckets);

} // namespace filters
