#include "recorder.h"
#include "toolkit/stat_list.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using namespace toolkit;
using vxtest::Log;

struct Row
{
    QString key;
    int visitors;
    double stay;
};

// A pane's side of the list: its own row array, sorted in place.
class Owner : public ListOwner
{
  public:
    std::vector<Row> rows;
    mutable int textCalls = 0;
    mutable std::set<int> drawnRows;
    mutable std::vector<CellState> drawnStates;
    std::vector<unsigned> sorts;

    QString cellText(int row, int subitem) const override
    {
        ++textCalls;
        const Row& r = rows.at(static_cast<std::size_t>(row));
        switch (subitem) {
        case 0:
            return r.key;
        case 1:
            return QString::number(r.visitors);
        default:
            return QString::number(r.stay, 'f', 1);
        }
    }
    void drawCell(QPainter& painter, int row, int subitem, const CellState& state,
                  const QRect& rect, Qt::Alignment alignment) const override
    {
        drawnRows.insert(row);
        drawnStates.push_back(state);
        ListOwner::drawCell(painter, row, subitem, state, rect, alignment);
    }
    void sortRows(unsigned type) override
    {
        sorts.push_back(type);
        const bool up = type & 1;
        std::stable_sort(rows.begin(), rows.end(), [type, up](const Row& a, const Row& b) {
            switch (type >> 1) {
            case 0:
                return up ? b.key < a.key : a.key < b.key;
            case 1:
                return up ? a.visitors < b.visitors : a.visitors > b.visitors;
            default:
                return up ? a.stay < b.stay : a.stay > b.stay;
            }
        });
    }
};

struct ListFixture
{
    Log log;
    std::unique_ptr<Window> pane{vxtest::makeRecorder(log, nullptr, 2100, QRect(0, 0, 500, 300))};
    Owner owner;
    StatList* list = nullptr;

    explicit ListFixture(int rows)
    {
        for (int i = 0; i < rows; ++i)
            owner.rows.push_back({QStringLiteral("/page%1.html").arg(i), (i * 37) % 101, i * 0.5});
        list = new StatList(pane.get(), &owner);
        list->setGeometry(0, 0, 500, 300);
        list->setColumns({{QStringLiteral("URL"), 800, Qt::AlignLeft},
                          {QStringLiteral("Visitor"), 45, Qt::AlignRight},
                          {QStringLiteral("Exit"), 40, Qt::AlignRight}},
                         {1, 2, 0});
        list->setRowCount(rows);
        list->show();
        QApplication::processEvents();
        log.messages.clear();
    }

    void clickHeader(int subitem)
    {
        QHeaderView* header = list->horizontalHeader();
        const int x = header->sectionViewportPosition(subitem) + header->sectionSize(subitem) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
};

TEST(StatList, ModelAnswersFromTheOwnerAndPassesTheModelTester)
{
    ListFixture f(50);
    QAbstractItemModelTester tester(f.list->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QAbstractItemModel* model = f.list->model();
    EXPECT_EQ(model->rowCount(), 50);
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->data(model->index(3, 0)).toString(), QStringLiteral("/page3.html"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Visitor"));
    f.list->setRowCount(10); // a recomputation shrinks the list
    EXPECT_EQ(model->rowCount(), 10);
    EXPECT_FALSE(model->data(model->index(20, 0)).isValid());
}

TEST(StatList, OnlyShownRowsAreFormattedAndDrawn)
{
    ListFixture f(20000);
    f.owner.textCalls = 0;
    f.owner.drawnRows.clear();
    f.list->viewport()->grab();
    const int visible = f.list->viewport()->height() / StatList::kRowHeight + 2;
    EXPECT_FALSE(f.owner.drawnRows.empty());
    EXPECT_LE(static_cast<int>(f.owner.drawnRows.size()), visible);
    EXPECT_LE(*f.owner.drawnRows.rbegin(), visible);
    EXPECT_LT(f.owner.textCalls, visible * 3 * 3);
    EXPECT_EQ(f.list->rowHeight(0), StatList::kRowHeight);
    EXPECT_EQ(f.list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

TEST(StatList, HeaderClicksFollowTheSortTypeRule)
{
    ListFixture f(30);
    EXPECT_EQ(f.list->sortType(), 2u);
    const struct
    {
        int subitem;
        unsigned type;
    } clicks[] = {{1, 3}, {2, 4}, {2, 5}, {0, 0}, {0, 1}, {1, 2}};
    for (const auto& c : clicks) {
        f.clickHeader(c.subitem);
        EXPECT_EQ(f.list->sortType(), c.type) << "click on " << c.subitem;
        ASSERT_FALSE(f.owner.sorts.empty());
        EXPECT_EQ(f.owner.sorts.back(), c.type);
    }
    // The shown rows follow the owner's order (visitors descending after the last click).
    const QAbstractItemModel* model = f.list->model();
    int previous = 1 << 30;
    for (int row = 0; row < model->rowCount(); ++row) {
        const int visitors = model->data(model->index(row, 1)).toInt();
        EXPECT_LE(visitors, previous);
        previous = visitors;
    }
    const auto clicked = f.log.of(WM_NOTIFY);
    EXPECT_FALSE(clicked.empty());
}

TEST(StatList, ColumnsCanBeDraggedIntoAnotherOrder)
{
    ListFixture f(5);
    EXPECT_EQ(f.list->displayOrder(), (std::vector<int>{1, 2, 0}));
    f.list->horizontalHeader()->moveSection(2, 0); // the user drags the name column first
    EXPECT_EQ(f.list->displayOrder(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(f.list->horizontalHeader()->sectionsMovable());
}

TEST(StatList, SelectionAndDoubleClickAreNotified)
{
    ListFixture f(40);
    std::vector<ListNotify> notes;
    f.log.answer = [&](Window&, const vxtest::Message& m) -> LResult {
        if (m.msg == WM_NOTIFY)
            notes.push_back(*reinterpret_cast<ListNotify*>(m.lParam));
        return 0;
    };
    f.list->setSelectedRows({3, 4, 5, 9, 39, 40, -1});
    EXPECT_EQ(f.list->selectedRows(), (std::vector<int>{3, 4, 5, 9, 39}));
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().hdr.code, LVN_ITEMCHANGED);
    EXPECT_EQ(notes.back().hdr.id, StatList::kDefaultId);

    f.owner.drawnStates.clear();
    f.list->viewport()->grab();
    EXPECT_TRUE(std::any_of(f.owner.drawnStates.begin(), f.owner.drawnStates.end(),
                            [](const CellState& s) { return s.selected; }));

    notes.clear();
    const QRect cell = f.list->visualRect(f.list->model()->index(2, 0));
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, cell.center());
    const auto dbl = std::find_if(notes.begin(), notes.end(),
                                  [](const ListNotify& n) { return n.hdr.code == NM_DBLCLK; });
    ASSERT_NE(dbl, notes.end());
    EXPECT_EQ(dbl->row, 2);

    f.list->clearSelectedRows();
    EXPECT_TRUE(f.list->selectedRows().empty());
    f.list->selectAllRows();
    EXPECT_EQ(f.list->selectedRows().size(), 40u);
}

} // namespace
