// A filter pane's window: the frame, the statistics list and the buttons around the pane's
// computation (PaneModel). Everything is computed by the model; this file carries the
// chain's messages, keeps the list in step and asks the user.

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/pane_frame.h"
#include "filters/pane_model.h"
#include "platform/codepage.h"
#include "platform/trace.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <memory>

namespace filters {
namespace {

using namespace toolkit;

constexpr int kSelectionTimer = 100;
constexpr int kButtonBar = kOwnToolbarId;
constexpr int kWordBar = 2005;

// What a pane that replaces another carries over (the creation parameter).
struct Carried
{
    unsigned flags = 0;
};

// The columns' titles are terse English; their tooltips say what the numbers are.
QString columnTip(std::string_view title)
{
    static const std::pair<std::string_view, const char*> tips[] = {
        {"Visitor", "この項目を含む訪問者の数"},  {"Exit", "訪問者1人あたりの滞在時間（秒）"},
        {"Hits/v", "訪問者1人あたりの閲覧数"},    {"Rank", "検索結果の平均ページ（1ページ10件）"},
        {"Click", "訪問者1人あたりのクリック数"},
    };
    for (const auto& [name, tip] : tips)
        if (title == name)
            return QString::fromUtf8(tip);
    return {};
}

std::string askExportPath(QWidget* owner)
{
    return askFileName(owner, FileDialogKind::Save,
                       QString::fromLatin1(kCsvFilter) + QStringLiteral(" (*.csv *.txt)"),
                       QString::fromLatin1(kCsvExtension).mid(1));
}

std::function<std::string(QWidget*)>& exportPathChooser()
{
    static std::function<std::string(QWidget*)> chooser = &askExportPath;
    return chooser;
}

QWidget* mainOf(Window& self)
{
    return self.parentWidget();
}

// The description dialog, "Filter About": the stages this pane's visitors went through.
void showDescription(Window& self, const std::string& text)
{
    QDialog dialog(self.window());
    dialog.setWindowTitle(QStringLiteral("Filter About"));
    auto* edit = new QPlainTextEdit(&dialog);
    edit->setObjectName(QStringLiteral("1020"));
    edit->setReadOnly(true);
    edit->setPlainText(fromCp932(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    edit->moveCursor(QTextCursor::Start); // no selection when it opens
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.resize(560, 260);
    dialog.exec();
}

class FilterPane final : public Handler, public ListOwner
{
  public:
    explicit FilterPane(Kind kind, const Carried* carried)
        : m_model(kind, carried ? carried->flags : 0)
    {
    }

    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            created(self);
            return 0;
        case WM_COMMAND:
            return onCommand(self, loWord(wParam), lParam);
        case WM_NOTIFY:
            return onNotify(self, reinterpret_cast<NotifyHeader*>(lParam));
        case WM_TIMER:
            if (static_cast<int>(wParam) == kSelectionTimer)
                selectionSettled(self);
            return 0;
        case UM_LOGCLOSED:
            self.killTimer(kSelectionTimer);
            m_model.close();
            showRows();
            return 0;
        case UM_ISBYPASSED:
            return m_model.has(kFlagBypass) ? 1 : 0;
        case UM_POSITIONCHANGED:
            m_position = self.id() - kFirstPaneId;
            return 0;
        case UM_GETPATHSET:
            if (lParam)
                *reinterpret_cast<PathSet*>(lParam) = m_model.pathSet();
            return m_model.kind() == Kind::Req ? 1 : 0;
        case UM_DESCRIBE:
            if (lParam)
                *reinterpret_cast<std::string*>(lParam) += describe(self);
            return 0;
        case UM_GETRANKSERIES:
            return rankSeries(self, reinterpret_cast<const RankSeriesRequest*>(lParam));
        case WM__GETVIEWSTATE:
            if (lParam)
                m_model.save(*reinterpret_cast<ViewState*>(lParam));
            return 0;
        case WM__SETVIEWSTATE:
            if (lParam)
                restore(self, *reinterpret_cast<const ViewState*>(lParam));
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

    // The list's questions.
    QString cellText(int row, int subitem) const override
    {
        return fromCp932(m_model.cellText(static_cast<std::size_t>(row), subitem));
    }
    QString cellTip(int row, int subitem) const override
    {
        return subitem == 0 ? fromCp932(m_model.rowTip(static_cast<std::size_t>(row))) : QString();
    }

    void drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                  Qt::Alignment alignment) const override
    {
        const int stage = m_position + 1;
        if (state.selected)
            p.fillRect(rect,
                       state.listFocused ? QColor(0x44, 0x44, 0x44) : fromBgr(accentColour(stage)));
        else if (state.focused)
            p.fillRect(rect, QColor(0xF0, 0xF0, 0xF0));
        else
            p.fillRect(rect, state.enabled ? QColor(Qt::white)
                                           : QApplication::palette().button().color());
        const QColor line = QApplication::palette().button().color();
        p.setPen(line);
        p.drawLine(rect.bottomLeft(), rect.bottomRight());
        p.drawLine(rect.topLeft(), rect.bottomLeft());
        QColor ink = Qt::black;
        if (state.selected)
            ink = Qt::white;
        else if (subitem == 0)
            ink = fromBgr(m_model.keyColour(static_cast<std::size_t>(row)));
        p.setPen(ink);
        drawCellText(p, rect, alignment, cellText(row, subitem), state);
    }

    void sortRows(unsigned sortType) override { m_model.sort(sortType); }
    // The first click on a column shows the most first (the key: from A; the search words'
    // result page: the best first); the second click turns it round.
    Qt::SortOrder sortOrder(unsigned sortType) const override
    {
        const unsigned subitem = sortType / 2;
        const bool smallFirst =
            subitem == 0 || (m_model.kind() == Kind::SearchWord && subitem == 3);
        return (sortType & 1) == smallFirst ? Qt::DescendingOrder : Qt::AscendingOrder;
    }

  private:
    Window* self() const { return m_self; }
    std::uint32_t ownBit() const { return paneBit(m_position); }

    void created(Window& self)
    {
        m_self = &self;
        auto* frame = qobject_cast<PaneFrame*>(&self);
        QWidget* main = mainOf(self);
        if (self.id() == 0) {
            // A new pane takes the first free place of the column.
            int id = kFirstPaneId;
            while (child(main, id))
                ++id;
            self.setId(id);
            placeNewFilterPane(main, self);
        }
        m_position = self.id() - kFirstPaneId;
        const KindInfo& info = m_model.info();
        if (frame) {
            frame->setTitle(QString::fromUtf8(info.title));
            frame->setBorderDraggable(true);
            std::vector<PaneButton> buttons;
            if (info.groupButton)
                buttons.push_back({kCommandGroup, true});
            if (info.pathButton)
                buttons.push_back({kCommandPath, true});
            for (const PaneButton& b :
                 {PaneButton{kCommandBypass, true}, PaneButton{kCommandPercent, true},
                  PaneButton{kCommandExport}, PaneButton{kCommandDescribe}, PaneButton{kCommandUp},
                  PaneButton{kCommandDown}, PaneButton{kCommandClose}})
                buttons.push_back(b);
            frame->addToolbar(kButtonBar, buttons);
            if (m_model.kind() == Kind::SearchWord)
                frame->addToolbar(kWordBar,
                                  {{kCommandSplit, true, QString::fromUtf8(kSplitButtonText)},
                                   {kCommandCaps, true, QString::fromUtf8(kCapsButtonText)}});
            m_list = new StatList(frame, this);
            std::vector<ListColumn> columns;
            for (const Column& c : m_model.columns())
                columns.push_back({QString::fromLatin1(c.title), c.width,
                                   c.rightAligned ? Qt::AlignRight : Qt::AlignLeft,
                                   columnTip(c.title)});
            m_list->setColumns(columns, initialDisplayOrder(m_model.kind()));
            m_list->setSortType(m_model.sortType());
            m_list->horizontalHeader()->setStretchLastSection(true);
            frame->setContent(m_list);
            showButtons();
        }
        updateLabels(main);
    }

    // The toolbars show the model's toggles.
    void showButtons()
    {
        Window* bar = child(m_self, kButtonBar);
        Window* words = child(m_self, kWordBar);
        const struct
        {
            Window* bar;
            int command;
            PaneFlag flag;
        } toggles[] = {{bar, kCommandBypass, kFlagBypass}, {bar, kCommandPercent, kFlagPercent},
                       {bar, kCommandGroup, kFlagGroup},   {bar, kCommandPath, kFlagPath},
                       {words, kCommandSplit, kFlagSplit}, {words, kCommandCaps, kFlagCaps}};
        for (const auto& t : toggles)
            send(t.bar, TB_CHECKBUTTON, static_cast<WParam>(t.command), m_model.has(t.flag));
        send(bar, TB_ENABLEBUTTON, kCommandPath, m_model.pathEnabled());
    }

    // The list shows the model's rows and selection; the change is not the user's.
    void showRows()
    {
        if (!m_list)
            return;
        m_quiet = true;
        m_list->setRowCount(static_cast<int>(m_model.rowCount()));
        m_list->refresh();
        std::vector<int> rows;
        for (const std::size_t r : m_model.selectedRows())
            rows.push_back(static_cast<int>(r));
        m_list->setSelectedRows(rows);
        m_quiet = false;
        if (m_self)
            m_self->killTimer(kSelectionTimer);
    }

    PaneInput input(Window& self) const
    {
        QWidget* main = mainOf(self);
        const auto bypassed = bypassStates(main);
        PaneInput in;
        in.dependency = dependencyBit(bypassed, m_position);
        const int before = dependencyPosition(bypassed, m_position);
        if (before >= 0)
            send(child(main, kFirstPaneId + before), UM_GETPATHSET, 0,
                 reinterpret_cast<LParam>(&in.path));
        in.path.fromPage = in.path.set && before >= 0 &&
                           send(child(main, kFirstPaneId + before), UM_GETPATHSET) == 1;
        return in;
    }

    void refresh(Window& self, std::uint32_t dwUpdated)
    {
        m_position = self.id() - kFirstPaneId;
        QWidget* main = mainOf(self);
        const PaneInput in = input(self);
        const RefreshDecision d = refreshDecision(dwUpdated, in.dependency, ownBit());
        if (d.recompute) {
            const WaitCursor wait;
            QElapsedTimer clock;
            clock.start();
            if (store::LogContainer* log = logOf(main)) {
                m_model.compute(*log, in, d.autoSelect);
                m_model.apply(*log, ownBit());
            } else {
                m_model.close();
            }
            showRows();
            showButtons();
            platform::trace("refresh i=%d dwUpdated=%X time=%d", self.id(), dwUpdated,
                            static_cast<int>(clock.elapsed()));
        }
        if (d.passOn)
            command(nextStage(main, self.id()), ID_REFRESH, static_cast<LParam>(d.passed));
    }

    // The 1 ms timer: a gesture's selection changes end up as one pass down the chain.
    void selectionSettled(Window& self)
    {
        self.killTimer(kSelectionTimer);
        if (!m_list)
            return;
        std::vector<std::size_t> rows;
        for (const int r : m_list->selectedRows())
            rows.push_back(static_cast<std::size_t>(r));
        m_model.selectRows(rows);
        if (store::LogContainer* log = logOf(mainOf(self)))
            m_model.apply(*log, ownBit());
        command(nextStage(mainOf(self), self.id()), ID_REFRESH,
                static_cast<LParam>(selectionChangedRefresh(ownBit())));
    }

    LResult onNotify(Window& self, NotifyHeader* header)
    {
        if (!header)
            return 0;
        switch (header->code) {
        case LVN_ITEMCHANGED:
            if (!m_quiet)
                self.setTimer(kSelectionTimer, 1);
            return 0;
        case LVN_COLUMNCLICK:
            // Sorting never changes the selection: the same keys are shown selected.
            showRows();
            return 0;
        case NM_DBLCLK:
            openReferer(self, static_cast<ListNotify*>(static_cast<void*>(header))->row);
            return 0;
        case TTN_GETDISPINFO: {
            auto* request = reinterpret_cast<ToolTipRequest*>(header);
            if (const char* tip = tooltipOf(request->item))
                request->text = QString::fromUtf8(tip);
            else
                request->text = QStringLiteral("iItem=%1/0x%2")
                                    .arg(request->item)
                                    .arg(QString::number(request->item, 16).toUpper());
            return 0;
        }
        default:
            return 0;
        }
    }

    LResult onCommand(Window& self, int id, LParam arg)
    {
        if (const KindInfo* kind = kindOfCommand(id))
            return reinterpret_cast<LResult>(replaceBy(self, kind->className));
        QWidget* main = mainOf(self);
        switch (id) {
        case ID_REFRESH:
            refresh(self, static_cast<std::uint32_t>(arg));
            return 0;
        case kCommandPassOn:
            command(nextStage(main, self.id()), ID_REFRESH,
                    static_cast<LParam>(static_cast<std::uint32_t>(arg) | ownBit()));
            return 0;
        case ID_EDIT_CLEAR:
            if (m_list)
                m_list->clearSelectedRows();
            return 0;
        case ID_EDIT_SELECT_ALL:
            if (m_list)
                m_list->selectAllRows();
            return 0;
        case kCommandBypass:
            m_model.setFlag(kFlagBypass, toggled(kButtonBar, id));
            updateLabels(main);
            command(nextStage(main, self.id()), ID_REFRESH,
                    static_cast<LParam>(bypassToggledRefresh(ownBit())));
            return 0;
        case kCommandPercent:
            m_model.setFlag(kFlagPercent, toggled(kButtonBar, id));
            if (m_list)
                m_list->refresh();
            return 0;
        case kCommandGroup:
        case kCommandPath:
            m_model.setFlag(static_cast<PaneFlag>(flagOfCommand(id)), toggled(kButtonBar, id));
            refresh(self, 0);
            return 0;
        case kCommandSplit:
        case kCommandCaps:
            m_model.setFlag(static_cast<PaneFlag>(flagOfCommand(id)), toggled(kWordBar, id));
            refresh(self, 0);
            return 0;
        case kCommandUp:
        case kCommandDown:
            move(self, id == kCommandUp ? -1 : 1);
            return 0;
        case kCommandClose:
            close(self);
            return 0;
        case kCommandDescribe:
            showDescription(self, describeChain(self));
            return 0;
        case kCommandExport:
            exportList(self);
            return 0;
        case kCommandTitle:
            chooseKind(self);
            return 0;
        default:
            return 0;
        }
    }

    bool toggled(int bar, int command) const
    {
        return send(child(m_self, bar), TB_ISBUTTONCHECKED, static_cast<WParam>(command)) != 0;
    }

    // Moving one place up or down exchanges ids and places with the neighbour; the chain
    // recomputes from the upper of the two.
    void move(Window& self, int delta)
    {
        QWidget* main = mainOf(self);
        const int count = static_cast<int>(filterPanes(main).size());
        const int from = self.id() - kFirstPaneId;
        const int refresh = moveRefreshPosition(from, delta, count);
        Window* other = child(main, self.id() + delta);
        if (refresh < 0 || !other)
            return;
        const QRect mine = self.geometry(), theirs = other->geometry();
        const int otherId = other->id();
        other->setId(self.id());
        self.setId(otherId);
        // The upper keeps the top of the upper place, the lower the bottom of the lower.
        const QRect upper = delta < 0 ? theirs : mine, lower = delta < 0 ? mine : theirs;
        Window* nowUpper = delta < 0 ? &self : other;
        Window* nowLower = delta < 0 ? other : &self;
        setWindowPos(nowUpper, QRect(upper.x(), upper.y(), upper.width(), lower.height()));
        setWindowPos(nowLower, QRect(lower.x(), upper.y() + lower.height(), lower.width(),
                                     lower.bottom() + 1 - upper.y() - lower.height()));
        send(nowUpper, UM_POSITIONCHANGED);
        send(nowLower, UM_POSITIONCHANGED);
        updateLabels(main);
        command(child(main, kFirstPaneId + refresh), ID_REFRESH, 0);
    }

    void close(Window& self)
    {
        QWidget* main = mainOf(self);
        const auto panes = filterPanes(main);
        const int count = static_cast<int>(panes.size());
        const int position = self.id() - kFirstPaneId;
        const int refresh = closeRefreshPosition(position, count);
        const QRect mine = self.geometry();
        self.setId(0);
        for (int q = position + 1; q < count; ++q)
            panes[static_cast<std::size_t>(q)]->setId(kFirstPaneId + q - 1);
        closeFilterColumnGap(main, position, mine);
        if (count == 1)
            platform::trace("no pane");
        for (int id = kMainViewId; Window* view = child(main, id); ++id)
            send(view, UM_LIMITSOURCE, static_cast<WParam>(count - 1));
        for (Window* pane : filterPanes(main))
            send(pane, UM_POSITIONCHANGED);
        updateLabels(main);
        if (refresh >= 0)
            command(child(main, kFirstPaneId + refresh), ID_REFRESH, 0);
        closeWindow(&self);
    }

    // A pane of another kind takes this one's place, id and toggles.
    Window* replaceBy(Window& self, const char* className)
    {
        QWidget* main = mainOf(self);
        const int id = self.id();
        const QRect place = self.geometry();
        Carried carried{m_model.flags()};
        self.setId(0);
        Window* next = create(className, main, id, place, &carried, 0);
        if (!next) {
            self.setId(id);
            return nullptr;
        }
        closeWindow(&self);
        command(next, ID_REFRESH, kRefreshKindSwitch);
        next->show();
        return next;
    }

    void chooseKind(Window& self)
    {
        QMenu menu(self.window());
        for (const KindInfo& entry : allKinds()) {
            QAction* a = menu.addAction(QString::fromUtf8(entry.title));
            a->setData(entry.command);
            a->setCheckable(true);
            a->setChecked(self.className() == entry.className);
        }
        QToolButton* button = qobject_cast<PaneFrame*>(&self)->titleButton();
        QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
        if (chosen && self.className() != kindOfCommand(chosen->data().toInt())->className)
            command(&self, chosen->data().toInt());
    }

    // The sentence of this pane's selection (CP932); path mode names its predecessor.
    std::string describe(Window& self) const
    {
        QWidget* main = mainOf(self);
        const auto bypassed = bypassStates(main);
        const int before = dependencyPosition(bypassed, m_position);
        const QString label = numberLabel(main, before < 0 ? kPeriodId : kFirstPaneId + before);
        return m_model.describe(label.toStdString());
    }

    std::string describeChain(Window& self) const
    {
        QWidget* main = mainOf(self);
        auto line = [&](Window* pane) {
            const auto kind = kindFromName(pane->className());
            std::string text = "[";
            text += numberLabel(main, pane->id()).toStdString();
            text += ' ';
            text += platform::utf8ToCp932(kind ? kindInfo(*kind).title : "");
            text += ']';
            return text;
        };
        std::string text =
            line(&self) +
            platform::utf8ToCp932("は次のフィルタの順で訪問者集団を演算しています。") +
            "\r\n----------\r\n";
        std::string period;
        send(child(main, kPeriodId), UM_DESCRIBE, 0, reinterpret_cast<LParam>(&period));
        text += platform::utf8ToCp932("[1. 期間] ") + period + "\r\n";
        for (Window* pane : filterPanes(main)) {
            if (pane != &self && send(pane, UM_ISBYPASSED))
                continue;
            std::string sentence;
            send(pane, UM_DESCRIBE, 0, reinterpret_cast<LParam>(&sentence));
            text += line(pane) + " " + sentence + "\r\n";
            if (pane == &self)
                break;
        }
        return text;
    }

    void exportList(Window& self)
    {
        const std::string path = exportPathChooser()(self.window());
        if (path.empty())
            return;
        const std::vector<int> order = m_list ? m_list->displayOrder() : std::vector<int>{};
        if (exportCsv(path, m_model, order) != 0)
            QMessageBox::critical(self.window(), QString::fromLatin1(kExportCaption),
                                  QString::fromUtf8(kExportFailedText));
    }

    void restore(Window& self, const ViewState& state)
    {
        store::LogContainer* log = logOf(mainOf(self));
        if (!log)
            return;
        const auto restored = m_model.restore(*log, input(self), ownBit(), state);
        showRows();
        showButtons();
        updateLabels(mainOf(self));
        if (m_list)
            for (const int row : {restored.lastTextRow, restored.lastNumberRow})
                if (row >= 0)
                    m_list->scrollTo(m_list->model()->index(row, 0));
    }

    LResult rankSeries(Window& self, const RankSeriesRequest* request) const
    {
        store::LogContainer* log = logOf(mainOf(self));
        if (!request || !log)
            return 0;
        return m_model.rankSeries(*log, ownBit(), request->start, request->length,
                                  std::span<RankBucket>(request->buckets, request->count))
                   ? 1
                   : 0;
    }

    void openReferer(Window& self, int row)
    {
        if (row < 0 || static_cast<std::size_t>(row) >= m_model.rowCount())
            return;
        showRefererView(mainOf(self), m_model.rowKey(static_cast<std::size_t>(row)));
    }

    PaneModel m_model;
    Window* m_self = nullptr;
    StatList* m_list = nullptr;
    int m_position = 0;
    bool m_quiet = false; // the list changes now are not the user's
};

} // namespace

void setExportPathChooser(std::function<std::string(QWidget*)> chooser)
{
    exportPathChooser() =
        chooser ? std::move(chooser) : std::function<std::string(QWidget*)>(&askExportPath);
}

std::string chooseExportPath(QWidget* owner)
{
    return exportPathChooser()(owner);
}

void registerPeriodWindow(); // period_pane.cpp

void registerFilterWindows()
{
    for (int k = 0; k < kKindCount; ++k) {
        const Kind kind = static_cast<Kind>(k);
        registerClass(
            kindInfo(kind).className,
            [kind](void* param) {
                return std::make_unique<FilterPane>(kind, static_cast<const Carried*>(param));
            },
            [](QWidget* parent) { return new PaneFrame(parent); });
    }
    registerPeriodWindow();
}

} // namespace filters
