// The flow view as the main view, offscreen: its boxes show the trees vexilo-cli flow prints,
// a double click opens a branch's box (never for EXIT), boxes are dragged by their caption,
// closed by their button and reached with Tab.

#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/view_pane.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "platform/codepage.h"
#include "platform/settings.h"
#include "store/store_window.h"
#include "tests/views/view_window_env.h"
#include "toolkit/window.h"
#include "views/chooser_control.h"
#include "views/flow_box.h"
#include "views/flow_chooser.h"
#include "views/flow_view.h"
#include "views/log_view.h"

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

using namespace toolkit;
using namespace vxtest;
using views::FlowBox;

class FlowWindow : public ViewWindowTest
{
  protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        openSample();
        // The main view becomes the flow view through its menu of views, and "/" is chosen.
        Window* flow = reinterpret_cast<Window*>(command(mainView(), 40021));
        ASSERT_TRUE(flow);
        command(flow, ID_REFRESH, kRefreshAll);
        flow->show();
        ASSERT_TRUE(settle());
        ASSERT_EQ(view()->className(), std::string("WC_VIEW_FLOW"));
        const std::vector<const char*> entries =
            views::flowChooserEntries(*filters::logOf(main()), 1);
        const int entry = views::findChooserEntry(entries, "/");
        ASSERT_GT(entry, 0);
        Window* combo = nullptr;
        for (Window* w : view()->findChildren<Window*>())
            if (w->id() == views::kChooserId)
                combo = w;
        ASSERT_TRUE(combo);
        send(combo, CB_SETCURSEL, static_cast<WParam>(entry));
        send(view(), WM_COMMAND, makeWParam(views::kChooserId, CBN_SELCHANGE),
             reinterpret_cast<LParam>(combo));
        ASSERT_TRUE(settle());
    }

    Window* view() { return mainView(); }
    std::vector<FlowBox*> boxes()
    {
        std::vector<FlowBox*> shown;
        for (FlowBox* b : view()->findChildren<FlowBox*>())
            if (!b->isHidden())
                shown.push_back(b);
        return shown;
    }
    FlowBox* boxTitled(const QString& title)
    {
        for (FlowBox* b : boxes())
            if (b->title() == title)
                return b;
        return nullptr;
    }
    // What vexilo-cli flow prints for "/" (the main window's two page panes on their top
    // rows, the period as the source), as UTF-8 lines.
    std::vector<QString> cliLines(int depth)
    {
        std::vector<QString> lines;
        std::istringstream in(
            cli("flow", "/ --pane req --pane req --depth " + std::to_string(depth)));
        for (std::string line; std::getline(in, line);)
            lines.push_back(QString::fromStdU16String(platform::cp932ToUtf16(line)));
        return lines;
    }
    // A box's rows of one side as the command prints them at depth d.
    static std::vector<QString> rowsOf(FlowBox* box, FlowBox::Side side, int depth)
    {
        std::vector<QString> rows;
        for (int r = 0; r < box->rowCount(side); ++r) {
            QString text = box->rowText(side, r);
            if (!box->node(side)->children[static_cast<std::size_t>(r)]->key)
                text = text.section(QLatin1Char('\t'), 0, 1) + QLatin1Char('\t'); // no referer
            rows.push_back(
                QStringLiteral("%1\t%2\t").arg(side == FlowBox::Next ? "next" : "prev").arg(depth) +
                text);
        }
        return rows;
    }
    void doubleClick(FlowBox* box, FlowBox::Side side, int row)
    {
        const QRect place = box->rowRect(side, row);
        ASSERT_FALSE(place.isEmpty()) << "row " << row << " is scrolled out";
        const QPoint at = place.center();
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
        QTest::mouseDClick(box, Qt::LeftButton, {}, at);
        ASSERT_TRUE(settle()); // the canvas scrolls the new box to the centre
    }
};

TEST_F(FlowWindow, BoxesShowTheTreesTheCommandLinePrints)
{
    FlowBox* root = boxTitled(QStringLiteral("/"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->className(), std::string("WC_FLOWITEM00"));
    // The root box lists both trees' first steps; up to three boxes stand on each side.
    std::vector<QString> shown = rowsOf(root, FlowBox::Next, 1);
    for (const QString& row : rowsOf(root, FlowBox::Prev, 1))
        shown.push_back(row);
    EXPECT_EQ(shown, cliLines(1));
    EXPECT_EQ(boxes().size(), 7u);

    // A double click on a branch without a box opens one whose rows are that branch's.
    const std::vector<QString> deeper = cliLines(2);
    int row = 0;
    while (row < root->rowCount(FlowBox::Next) &&
           (root->node(FlowBox::Next)->children[static_cast<std::size_t>(row)]->box ||
            !views::canExpand(root->node(FlowBox::Next)->children[static_cast<std::size_t>(row)])))
        ++row;
    ASSERT_LT(row, root->rowCount(FlowBox::Next));
    const QString key = root->rowText(FlowBox::Next, row).section(QLatin1Char('\t'), 2);
    const std::vector<FlowBox*> before = boxes();
    doubleClick(root, FlowBox::Next, row);
    ASSERT_EQ(boxes().size(), 8u);
    // The new box (a box on the other side may bear the same title).
    FlowBox* opened = nullptr;
    for (FlowBox* b : boxes())
        if (std::find(before.begin(), before.end(), b) == before.end())
            opened = b;
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->title(), key);
    EXPECT_EQ(opened->node(FlowBox::Prev), nullptr);
    std::vector<QString> expected;
    bool under = false;
    for (const QString& line : deeper) {
        if (line.startsWith(QStringLiteral("next\t1\t")))
            under = line.section(QLatin1Char('\t'), 4) == key;
        else if (under && line.startsWith(QStringLiteral("next\t2\t")))
            expected.push_back(line);
    }
    EXPECT_EQ(rowsOf(opened, FlowBox::Next, 2), expected);

    // EXIT opens nothing; a branch with a box already opens no second one.
    int exits = 0;
    for (int r = 0; r < root->visibleRows(FlowBox::Next); ++r)
        if (root->rowText(FlowBox::Next, r).endsWith(QStringLiteral("\tEXIT"))) {
            doubleClick(root, FlowBox::Next, r);
            ++exits;
        }
    EXPECT_EQ(exits, 1);
    doubleClick(root, FlowBox::Next, row);
    EXPECT_EQ(boxes().size(), 8u);
}

TEST_F(FlowWindow, BoxesMoveCloseAndTakeTheFocusInTurn)
{
    FlowBox* root = boxTitled(QStringLiteral("/"));
    ASSERT_TRUE(root);
    // Dragged by the caption, the box follows the pointer.
    const QPoint start = root->pos();
    QTest::mousePress(root, Qt::LeftButton, {}, QPoint(60, 8));
    QMouseEvent move(QEvent::MouseMove, QPointF(160, 58), root->mapToGlobal(QPointF(160, 58)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(root, &move);
    QTest::mouseRelease(root, Qt::LeftButton, {}, QPoint(160, 58));
    EXPECT_EQ(root->pos() - start, QPoint(100, 50));

    // Tab goes from box to box; arrows move through a list's rows.
    root->window()->activateWindow();
    QApplication::setActiveWindow(root->window());
    root->setFocus();
    ASSERT_TRUE(waitFor([root] { return QApplication::focusWidget() == root; }));
    QTest::keyClick(root, Qt::Key_Down);
    EXPECT_EQ(root->currentRow(root->currentSide()), 1);
    QTest::keyClick(root, Qt::Key_Tab);
    ASSERT_TRUE(waitFor([root] { return QApplication::focusWidget() != root; }));
    auto* focused = qobject_cast<FlowBox*>(QApplication::focusWidget());
    ASSERT_TRUE(focused);
    EXPECT_NE(focused, root);
    // Round the boxes and back: Tab never leaves the canvas.
    for (std::size_t i = 1; i < boxes().size(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), root);
    QTest::keyClick(root, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), root);
    QTest::keyClick(root, Qt::Key_Tab);
    focused = qobject_cast<FlowBox*>(QApplication::focusWidget());
    ASSERT_TRUE(focused);

    // The close button at the caption's right end closes a box; its branch can open again.
    const std::size_t before = boxes().size();
    const views::FlowNode* node =
        focused->node(FlowBox::Next) ? focused->node(FlowBox::Next) : focused->node(FlowBox::Prev);
    QTest::mouseClick(focused, Qt::LeftButton, {}, QPoint(focused->width() - 11, 10));
    ASSERT_TRUE(waitFor([&] { return boxes().size() == before - 1; }));
    EXPECT_EQ(boxes().size(), before - 1);
    EXPECT_EQ(node->box, nullptr);
}

} // namespace
