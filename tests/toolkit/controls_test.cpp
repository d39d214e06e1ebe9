#include "recorder.h"
#include "tests/wait_for.h"
#include "toolkit/controls.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QStyleOptionToolButton>
#include <QTest>
#include <QToolTip>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

using vxtest::waitFor;

using namespace toolkit;
using vxtest::Log;

QComboBox* innerCombo(Window* wrapper)
{
    return static_cast<ComboWrapper*>(wrapper)->inner();
}

LResult sendText(Window* to, unsigned msg, WParam wParam, const QString& text)
{
    return send(to, msg, wParam, reinterpret_cast<LParam>(&text));
}

struct Pane
{
    Log log;
    std::unique_ptr<Window> window{vxtest::makeRecorder(log, nullptr, 2100, QRect(0, 0, 600, 500))};
};

TEST(ComboBox, OccupiesATwentyPixelStripWhateverHeightItIsGiven)
{
    Pane pane;
    Window* combo = create(kComboBoxClass, pane.window.get(), 2001, QRect(110, 2, 300, 400),
                           nullptr, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN);
    ASSERT_NE(combo, nullptr);
    pane.window->show();
    QApplication::processEvents();
    EXPECT_EQ(combo->geometry(), QRect(110, 2, 300, 20));
    EXPECT_FALSE(combo->style() & WS_VSCROLL);
    QRect dropped;
    send(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LParam>(&dropped));
    EXPECT_EQ(dropped.size(), QSize(300, 400));
    ASSERT_NE(innerCombo(combo), nullptr);
    EXPECT_EQ(innerCombo(combo)->geometry(), QRect(0, 0, 300, 20));
    EXPECT_TRUE(innerCombo(combo)->isEditable());

    // A later placement with another height changes the list, never the strip.
    setWindowPos(combo, QRect(0, 30, 200, 150));
    EXPECT_EQ(combo->geometry(), QRect(0, 30, 200, 20));
    send(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LParam>(&dropped));
    EXPECT_EQ(dropped.size(), QSize(200, 150));
    // Placed around setWindowPos, too.
    combo->resize(200, 90);
    QApplication::processEvents();
    EXPECT_EQ(combo->height(), 20);
}

TEST(ComboBox, SpeaksTheComboBoxMessages)
{
    Pane pane;
    Window* combo = create(kComboBoxClass, pane.window.get(), 3001, QRect(0, 0, 200, 200), nullptr,
                           WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT);
    for (const char* text : {"pear", "Apple", "fig", "banana"})
        sendText(combo, CB_ADDSTRING, 0, QString::fromLatin1(text));
    EXPECT_EQ(send(combo, CB_GETCOUNT), 4);

    const char* sorted[] = {"Apple", "banana", "fig", "pear"};
    for (int i = 0; i < 4; ++i) {
        QString text;
        EXPECT_EQ(send(combo, CB_GETLBTEXT, i, reinterpret_cast<LParam>(&text)),
                  static_cast<LResult>(std::strlen(sorted[i])));
        EXPECT_EQ(text, QString::fromLatin1(sorted[i]));
    }
    const struct
    {
        unsigned msg;
        const char* text;
        LResult index;
    } finds[] = {
        {CB_FINDSTRINGEXACT, "FIG", 2},
        {CB_FINDSTRINGEXACT, "fi", CB_ERR},
        {CB_FINDSTRING, "ba", 1},
        {CB_FINDSTRING, "kiwi", CB_ERR},
    };
    for (const auto& f : finds)
        EXPECT_EQ(sendText(combo, f.msg, static_cast<WParam>(-1), QString::fromLatin1(f.text)),
                  f.index)
            << f.text;

    EXPECT_EQ(send(combo, CB_SETITEMDATA, 2, 86400 * 3), 1);
    EXPECT_EQ(send(combo, CB_GETITEMDATA, 2), 86400 * 3);
    EXPECT_EQ(send(combo, CB_SETCURSEL, 2), 2);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 2);
    QString current;
    send(combo, WM_GETTEXT, 0, reinterpret_cast<LParam>(&current));
    EXPECT_EQ(current, QStringLiteral("fig"));
    EXPECT_EQ(send(combo, CB_SETCURSEL, 9), CB_ERR);
    EXPECT_EQ(send(combo, CB_GETCURSEL), -1);
    EXPECT_EQ(send(combo, CB_DELETESTRING, 0), 3);
    EXPECT_EQ(send(combo, CB_DELETESTRING, 7), CB_ERR);
    EXPECT_EQ(send(combo, CB_RESETCONTENT), 0);
    EXPECT_EQ(send(combo, CB_GETCOUNT), 0);
}

TEST(ComboBox, TheRestOfTheMessageRange)
{
    Pane pane;
    Window* combo = create(kComboBoxClass, pane.window.get(), 3002, QRect(0, 0, 200, 200), nullptr,
                           WS_VISIBLE | CBS_DROPDOWN);
    sendText(combo, CB_ADDSTRING, 0, QStringLiteral("alpha"));
    sendText(combo, CB_ADDSTRING, 0, QStringLiteral("gamma"));
    EXPECT_EQ(sendText(combo, CB_INSERTSTRING, 1, QStringLiteral("beta")), 1);
    EXPECT_EQ(sendText(combo, CB_INSERTSTRING, static_cast<WParam>(-1), QStringLiteral("omega")),
              3); // -1: at the end
    const struct
    {
        unsigned msg;
        WParam wParam;
        LParam lParam;
        LResult answer;
    } cases[] = {
        {CB_GETLBTEXTLEN, 1, 0, 4},        // "beta"
        {CB_GETLBTEXTLEN, 9, 0, CB_ERR},   // no such item
        {CB_DIR, 0, 0, CB_ERR},            // no file lists in this combo box
        {CB_INITSTORAGE, 10, 0, 14},       // the items it has room for
        {CB_SETITEMHEIGHT, 0, 21, 0},      //
        {CB_GETITEMHEIGHT, 0, 0, 21},      //
        {CB_SETITEMHEIGHT, 0, 0, CB_ERR},  // a height of nothing is refused
        {CB_SETDROPPEDWIDTH, 320, 0, 320}, //
        {CB_GETDROPPEDWIDTH, 0, 0, 320},   //
        {CB_GETDROPPEDSTATE, 0, 0, 0},     //
        {CB_LIMITTEXT, 3, 0, 1},           // the edit field takes three characters
        {CB_SETEDITSEL, 0, makeLParam(1, 2), 1},
        {CB_GETEDITSEL, 0, 0, makeLParam(1, 2)},
    };
    const QString typed = QStringLiteral("abcdef");
    send(combo, WM_SETTEXT, 0, reinterpret_cast<LParam>(&typed));
    for (const auto& c : cases)
        EXPECT_EQ(send(combo, c.msg, c.wParam, c.lParam), c.answer) << std::hex << c.msg;
    QString text;
    send(combo, WM_GETTEXT, 0, reinterpret_cast<LParam>(&text));
    EXPECT_EQ(text.size(), 3); // cut to the limit

    // CB_SELECTSTRING finds like CB_FINDSTRING, from after the start item, and selects.
    EXPECT_EQ(sendText(combo, CB_SELECTSTRING, 0, QStringLiteral("G")), 2);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 2);
    EXPECT_EQ(sendText(combo, CB_SELECTSTRING, 2, QStringLiteral("a")), 0); // round to the top
    EXPECT_EQ(sendText(combo, CB_SELECTSTRING, 0, QStringLiteral("zeta")), CB_ERR);
    EXPECT_EQ(send(combo, CB_GETCURSEL), 0); // unchanged by a miss

    send(combo, CB_SHOWDROPDOWN, 1);
    EXPECT_TRUE(waitFor([&] { return send(combo, CB_GETDROPPEDSTATE) == 1; }));
    send(combo, CB_SHOWDROPDOWN, 0);
    EXPECT_TRUE(waitFor([&] { return send(combo, CB_GETDROPPEDSTATE) == 0; }));
}

TEST(ComboBox, TheUsersChoiceReachesTheParentAsACommandWithTheWrappersId)
{
    Pane pane;
    Window* combo = create(kComboBoxClass, pane.window.get(), 2001, QRect(0, 0, 200, 200), nullptr,
                           WS_VISIBLE | CBS_DROPDOWNLIST);
    for (const char* text : {"すべて", "/index.html", "/about.html"})
        sendText(combo, CB_ADDSTRING, 0, QString::fromUtf8(text));
    send(combo, CB_SETCURSEL, 0);
    pane.window->show();
    pane.log.messages.clear();

    // Choosing by program sends nothing; the user's choice does.
    send(combo, CB_SETCURSEL, 1);
    EXPECT_TRUE(pane.log.of(WM_COMMAND).empty());
    QTest::keyClick(innerCombo(combo), Qt::Key_Down);
    const auto commands = pane.log.of(WM_COMMAND);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(loWord(commands[0].wParam), 2001);
    EXPECT_EQ(hiWord(commands[0].wParam), CBN_SELCHANGE);
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LParam>(combo));
    EXPECT_EQ(send(combo, CB_GETCURSEL), 2);
}

TEST(ComboBox, OwnerDrawingIsAskedOfTheParentWithTheWrappersId)
{
    Pane pane;
    std::vector<DrawItem> drawn;
    pane.log.answer = [&](Window& self, const vxtest::Message& m) -> LResult {
        if (m.msg == WM_MEASUREITEM)
            reinterpret_cast<MeasureItem*>(m.lParam)->itemHeight = 18;
        if (m.msg == WM_DRAWITEM)
            drawn.push_back(*reinterpret_cast<DrawItem*>(m.lParam));
        if (m.msg == WM_COMPAREITEM) { // days sort newest first
            const auto* c = reinterpret_cast<CompareItem*>(m.lParam);
            return c->itemData1 > c->itemData2 ? -1 : (c->itemData1 < c->itemData2 ? 1 : 0);
        }
        return defaultProc(self, m.msg, m.wParam, m.lParam);
    };
    Window* combo = create(kComboBoxClass, pane.window.get(), 3002, QRect(0, 0, 160, 300), nullptr,
                           WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_SORT);
    for (LParam day : {86400 * 2, 86400 * 5, 86400 * 1})
        send(combo, CB_ADDSTRING, 0, day); // owner-drawn without strings: the value itself
    EXPECT_EQ(send(combo, CB_GETITEMDATA, 0), 86400 * 5);
    EXPECT_EQ(send(combo, CB_GETITEMDATA, 2), 86400 * 1);
    EXPECT_EQ(send(combo, CB_FINDSTRINGEXACT, static_cast<WParam>(-1), 86400 * 2), 1);
    EXPECT_EQ(send(combo, CB_GETITEMHEIGHT, 0), 18);
    for (const auto& m : pane.log.of(WM_MEASUREITEM))
        EXPECT_EQ(m.wParam, 3002u);

    send(combo, CB_SETCURSEL, 1);
    pane.window->show();
    drawn.clear();
    combo->grab();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().ctlId, 3002);
    EXPECT_EQ(drawn.back().itemId, 1);
    EXPECT_EQ(drawn.back().itemData, 86400 * 2);
    EXPECT_TRUE(drawn.back().itemState & ODS_COMBOBOXEDIT);
    for (const auto& m : pane.log.of(WM_DRAWITEM))
        EXPECT_EQ(m.wParam, 3002u);
}

// A toolbar like the main window's add-filter toolbar, with a check button added.
struct ToolbarFixture
{
    Pane pane;
    Window* bar = nullptr;
    QString tip = QStringLiteral("フィルタの追加");

    ToolbarFixture()
    {
        pane.log.answer = [this](Window& self, const vxtest::Message& m) -> LResult {
            if (m.msg == WM_NOTIFY) {
                auto* header = reinterpret_cast<NotifyHeader*>(m.lParam);
                if (header->code == TTN_GETDISPINFO)
                    reinterpret_cast<ToolTipRequest*>(m.lParam)->text = tip;
            }
            return defaultProc(self, m.msg, m.wParam, m.lParam);
        };
        bar = create(kToolbarClass, pane.window.get(), IDW_ADD_FILTER_TOOLBAR, QRect(0, 0, 300, 22),
                     nullptr, WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_LIST);
        send(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
        send(bar, TB_SETBITMAPSIZE, 0, makeLParam(6, 14));
        QPixmap strip(12, 14);
        strip.fill(Qt::darkGray);
        send(bar, TB_ADDBITMAP, 2, reinterpret_cast<LParam>(&strip));
        TbButton buttons[3];
        buttons[0].image = 1;
        buttons[0].command = 2014;
        buttons[0].style = BTNS_DROPDOWN | BTNS_AUTOSIZE;
        buttons[0].text = QStringLiteral("追加");
        buttons[1].style = BTNS_SEP;
        buttons[2].image = 0;
        buttons[2].command = 3005;
        buttons[2].style = BTNS_CHECK;
        send(bar, TB_ADDBUTTONS, 3, reinterpret_cast<LParam>(buttons));
        pane.window->show();
        QApplication::processEvents();
        pane.log.messages.clear();
    }

    ToolbarButton* button(int command)
    {
        auto* inner = static_cast<ToolbarWrapper*>(bar)->inner();
        return inner->buttonAt(inner->commandToIndex(command));
    }
};

TEST(Toolbar, DropDownNotificationArrivesAsFromTheWrapper)
{
    ToolbarFixture f;
    ToolbarButton* add = f.button(2014);
    ASSERT_NE(add, nullptr);
    QStyleOptionToolButton option;
    option.initFrom(add);
    option.features = QStyleOptionToolButton::MenuButtonPopup;
    option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
    const QRect arrow = add->style()->subControlRect(QStyle::CC_ToolButton, &option,
                                                     QStyle::SC_ToolButtonMenu, add);
    ASSERT_TRUE(arrow.isValid());
    // The notification lives only during the send: a handler copies what it needs.
    ToolbarNotify seen;
    f.pane.log.answer = [&](Window&, const vxtest::Message& m) -> LResult {
        if (m.msg == WM_NOTIFY)
            seen = *reinterpret_cast<ToolbarNotify*>(m.lParam);
        return 0;
    };
    QTest::mouseClick(add, Qt::LeftButton, {}, arrow.center());
    const auto notes = f.pane.log.of(WM_NOTIFY);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, static_cast<WParam>(IDW_ADD_FILTER_TOOLBAR));
    EXPECT_EQ(seen.hdr.id, IDW_ADD_FILTER_TOOLBAR);
    EXPECT_EQ(seen.hdr.from, f.bar);
    EXPECT_EQ(seen.hdr.code, TBN_DROPDOWN);
    EXPECT_EQ(seen.item, 2014);
    EXPECT_TRUE(f.pane.log.of(WM_COMMAND).empty());
}

TEST(Toolbar, ButtonCommandsReachTheParentUnchanged)
{
    ToolbarFixture f;
    ToolbarButton* percent = f.button(3005);
    ASSERT_NE(percent, nullptr);
    QTest::mouseClick(percent, Qt::LeftButton);
    const auto commands = f.pane.log.of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(loWord(commands[0].wParam), 3005);
    EXPECT_EQ(send(f.bar, TB_ISBUTTONCHECKED, 3005), 1);
    EXPECT_TRUE(f.pane.log.of(WM_NOTIFY).empty());
}

TEST(Toolbar, InfoTipsAreAskedOfTheParent)
{
    ToolbarFixture f;
    ToolbarButton* add = f.button(2014);
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), add->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(add, &help);
    const auto notes = f.pane.log.of(WM_NOTIFY);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, static_cast<WParam>(IDW_ADD_FILTER_TOOLBAR));
    EXPECT_EQ(QToolTip::text(), f.tip);
    QToolTip::hideText();
}

TEST(Toolbar, ToolbarMessagesWorkOnTheWrapper)
{
    ToolbarFixture f;
    EXPECT_EQ(send(f.bar, TB_BUTTONCOUNT), 3);
    EXPECT_EQ(send(f.bar, TB_COMMANDTOINDEX, 3005), 2);
    EXPECT_EQ(send(f.bar, TB_COMMANDTOINDEX, 9999), -1);

    const struct
    {
        unsigned set, query;
        LParam on;
        LResult answer;
    } cases[] = {
        {TB_ENABLEBUTTON, TB_ISBUTTONENABLED, 0, 0}, {TB_ENABLEBUTTON, TB_ISBUTTONENABLED, 1, 1},
        {TB_CHECKBUTTON, TB_ISBUTTONCHECKED, 1, 1},  {TB_CHECKBUTTON, TB_ISBUTTONCHECKED, 0, 0},
        {TB_HIDEBUTTON, TB_ISBUTTONHIDDEN, 1, 1},    {TB_HIDEBUTTON, TB_ISBUTTONHIDDEN, 0, 0},
        {TB_PRESSBUTTON, TB_ISBUTTONPRESSED, 1, 1},  {TB_PRESSBUTTON, TB_ISBUTTONPRESSED, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(send(f.bar, c.set, 2014, c.on), 1);
        EXPECT_EQ(send(f.bar, c.query, 2014), c.answer) << c.set << " " << c.on;
    }
    send(f.bar, TB_ENABLEBUTTON, 2014, 0);
    EXPECT_FALSE(f.button(2014)->isEnabled());
    EXPECT_EQ(send(f.bar, TB_GETSTATE, 2014) & TBSTATE_ENABLED, 0);
    EXPECT_EQ(send(f.bar, TB_GETSTATE, 4242), -1);

    QRect rect;
    EXPECT_EQ(send(f.bar, TB_GETRECT, 2014, reinterpret_cast<LParam>(&rect)), 1);
    EXPECT_FALSE(rect.isEmpty());
    EXPECT_EQ(send(f.bar, TB_CHANGEBITMAP, 2014, 0), 1);
    EXPECT_EQ(send(f.bar, TB_GETBITMAP, 2014), 0);
    EXPECT_EQ(send(f.bar, TB_DELETEBUTTON, 0), 1);
    EXPECT_EQ(send(f.bar, TB_BUTTONCOUNT), 2);

    // A state set whole, a button read back, one inserted in front, the sizes.
    EXPECT_EQ(send(f.bar, TB_SETSTATE, 3005, TBSTATE_ENABLED | TBSTATE_CHECKED), 1);
    EXPECT_EQ(send(f.bar, TB_ISBUTTONCHECKED, 3005), 1);
    EXPECT_EQ(send(f.bar, TB_SETSTATE, 4242, 0), 0);
    TbButton read;
    EXPECT_EQ(send(f.bar, TB_GETBUTTON, 1, reinterpret_cast<LParam>(&read)), 1);
    EXPECT_EQ(read.command, 3005);
    EXPECT_EQ(send(f.bar, TB_GETBUTTON, 5, reinterpret_cast<LParam>(&read)), 0);
    TbButton first;
    first.command = 3001;
    first.image = 0;
    EXPECT_EQ(send(f.bar, TB_INSERTBUTTON, 0, reinterpret_cast<LParam>(&first)), 1);
    EXPECT_EQ(send(f.bar, TB_COMMANDTOINDEX, 3001), 0);
    EXPECT_EQ(send(f.bar, TB_COMMANDTOINDEX, 3005), 2);
    EXPECT_EQ(send(f.bar, TB_BUTTONSTRUCTSIZE, sizeof(TbButton)), 0);
    EXPECT_EQ(send(f.bar, TB_SETBUTTONSIZE, 0, makeLParam(30, 24)), 1);
    send(f.bar, TB_AUTOSIZE);
    EXPECT_GE(f.button(3001)->minimumWidth(), 30);
    EXPECT_EQ(send(f.bar, TB_GETEXTENDEDSTYLE), TBSTYLE_EX_DRAWDDARROWS);
}

TEST(Toolbar, InnerToolbarFollowsTheWrappersSize)
{
    ToolbarFixture f;
    setWindowPos(f.bar, QRect(5, 5, 180, 24));
    QApplication::processEvents();
    EXPECT_EQ(static_cast<ToolbarWrapper*>(f.bar)->inner()->geometry(), QRect(0, 0, 180, 24));
}

TEST(Separator, KeepsToItsAxisWhileDraggedAndTellsTheParent)
{
    const struct
    {
        unsigned style;
        QPoint drag;
        QPoint moved;
        Qt::CursorShape cursor;
    } cases[] = {
        {WS_VISIBLE, QPoint(30, 25), QPoint(30, 0), Qt::SizeHorCursor},
        {WS_VISIBLE | SPS_HORIZONTAL, QPoint(30, 25), QPoint(0, 25), Qt::SizeVerCursor},
    };
    for (const auto& c : cases) {
        Pane pane;
        const QRect start =
            c.style & SPS_HORIZONTAL ? QRect(0, 200, 600, 4) : QRect(332, 0, 4, 500);
        Window* bar =
            create(kSeparatorClass, pane.window.get(), IDW_SPLITTER, start, nullptr, c.style);
        pane.window->show();
        QApplication::processEvents();
        EXPECT_EQ(bar->cursor().shape(), c.cursor);
        pane.log.messages.clear();

        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseMove(bar, QPoint(2, 2) + c.drag);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(2, 2) + c.drag);
        EXPECT_EQ(bar->pos(), start.topLeft() + c.moved);
        const auto sizes = pane.log.of(WM_SIZE);
        ASSERT_FALSE(sizes.empty());
        EXPECT_EQ(sizes.back().wParam, 0u);
        EXPECT_EQ(sizes.back().lParam, 0);
    }
}

TEST(Loupe, ShowsTheScreenAroundThePointerTwiceEnlarged)
{
    const struct
    {
        QPoint pointer;
        QSize inner;
        QRect source;
    } cases[] = {
        {QPoint(100, 100), QSize(238, 98), QRect(41, 76, 119, 49)},
        {QPoint(0, 0), QSize(40, 20), QRect(-10, -5, 20, 10)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Loupe::sourceRect(c.pointer, c.inner), c.source);

    Pane pane;
    Window* loupe = create(kLoupeClass, pane.window.get(), 3001, QRect(80, 80, 240, 100));
    EXPECT_TRUE(loupe->hasTimer(1));
    EXPECT_EQ(loupe->cursor().shape(), Qt::SizeAllCursor);
    const QImage picture = loupe->grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::black)); // the frame

    // Over a window of the program it shows that window, drawn again (no screen grab).
    QWidget red;
    red.setAutoFillBackground(true);
    red.setPalette(QPalette(QColor(Qt::red)));
    red.setGeometry(600, 400, 300, 200);
    red.show();
    QCursor::setPos(750, 500);
    if (QCursor::pos() != QPoint(750, 500))
        GTEST_SKIP() << "the platform does not move the pointer";
    static_cast<Loupe*>(loupe)->refresh();
    const QImage enlarged = loupe->grab().toImage();
    EXPECT_EQ(enlarged.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(enlarged.pixelColor(120, 50), QColor(Qt::red));
}

} // namespace
