#include "filters/view_pane.h"

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/kinds.h"
#include "filters/pane_classes.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace filters {

using namespace toolkit;

namespace {

// A swatch of a stage's colour, 14 x 14, for the source button and its menu.
QPixmap stageSwatch(int stage)
{
    QPixmap pixmap = toolkit::blankPixmap(QSize(14, 14));
    QPainter p(&pixmap);
    drawStageSwatch(p, QRectF(1.5, 1.5, 11, 11), stage);
    return pixmap;
}

// The stages' names for the source menu: "1. 期間", then "2. 閲覧ページ", ...
QString stageName(QWidget* main, int stage)
{
    if (stage == 0)
        return QStringLiteral("1. 期間");
    Window* pane = child(main, kFirstPaneId + stage - 1);
    if (!pane)
        return {};
    const auto kind = kindFromName(pane->className());
    return numberLabel(main, pane->id()) + QLatin1Char(' ') +
           QString::fromUtf8(kind ? kindInfo(*kind).title : "");
}

} // namespace

int ViewPane::paneCount(Window& self)
{
    return static_cast<int>(filterPanes(mainOf(self)).size());
}

LResult ViewPane::onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    switch (msg) {
    case WM_CREATE:
        created(self);
        return onViewMessage(self, msg, wParam, lParam);
    case WM_COMMAND: {
        const int id = loWord(wParam);
        if (const ViewClass* view = viewOfCommand(id))
            return reinterpret_cast<LResult>(replaceBy(self, view->className));
        if (id == ID_REFRESH) {
            refresh(self, static_cast<std::uint32_t>(lParam));
            return 0;
        }
        if (id == kSourceButton) {
            setSource(self, nextSource(m_source, paneCount(self)));
            refresh(self, kRefreshAll);
            return 0;
        }
        if (id == kTitleButtonId) {
            chooseView(self);
            return 0;
        }
        return onViewMessage(self, msg, wParam, lParam);
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NotifyHeader*>(lParam);
        if (header && header->code == TBN_DROPDOWN) {
            chooseSource(self);
            return TBDDRET_DEFAULT;
        }
        if (header && header->code == TTN_GETDISPINFO) {
            auto* request = reinterpret_cast<ToolTipRequest*>(header);
            if (request->item == kSourceButton) {
                request->text = QStringLiteral("フィルタ出力の選択");
                return 0;
            }
        }
        return onViewMessage(self, msg, wParam, lParam);
    }
    case UM_LIMITSOURCE:
        if (m_source > static_cast<int>(wParam))
            setSource(self, static_cast<int>(wParam));
        return 0;
    case UM_GETSTATUSTEXT:
        return reinterpret_cast<LResult>(statusText());
    default:
        return onViewMessage(self, msg, wParam, lParam);
    }
}

LResult ViewPane::onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    if (msg == UM_LOGCLOSED) {
        recompute(self, nullptr);
        return 0;
    }
    return defaultProc(self, msg, wParam, lParam);
}

void ViewPane::created(Window& self)
{
    auto* frame = qobject_cast<PaneFrame*>(&self);
    if (!frame)
        return;
    frame->setTitle(title());
    const std::vector<PaneButton> own = buttons();
    if (!own.empty())
        frame->addToolbar(kOwnToolbarId, own);
    const std::vector<PaneButton> stageless = stagelessButtons();
    if (!stageless.empty()) {
        m_stageless = true;
        frame->addToolbar(kSourceToolbar, stageless);
        frame->setContent(createContent(*frame));
        showSource(self);
        return;
    }
    Window* bar = frame->addToolbar(kSourceToolbar, {PaneButton(kSourceButton, false, {}, true)});
    // The source button shows the colour of its stage: one picture per stage.
    QPixmap strip = toolkit::blankPixmap(QSize(14 * 7, 14));
    {
        QPainter p(&strip);
        for (int s = 0; s < 7; ++s)
            p.drawPixmap(QPointF(14.0 * s, 0), stageSwatch(s));
    }
    m_swatchBase = static_cast<int>(send(bar, TB_ADDBITMAP, 7, reinterpret_cast<LParam>(&strip)));
    send(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    frame->setContent(createContent(*frame));
    showSource(self);
}

void ViewPane::setSource(Window& self, int source)
{
    m_source = std::max(0, source);
    showSource(self);
}

void ViewPane::showSource(Window& self)
{
    auto* frame = qobject_cast<PaneFrame*>(&self);
    if (!frame)
        return;
    if (m_stageless) {
        frame->setStage(-1);
        frame->setLabel({});
        return;
    }
    frame->setStage(m_source);
    frame->setLabel(m_source == 0 ? QStringLiteral("1.")
                                  : numberLabel(mainOf(self), kFirstPaneId + m_source - 1));
    send(child(&self, kSourceToolbar), TB_CHANGEBITMAP, kSourceButton, m_swatchBase + m_source % 7);
}

void ViewPane::refresh(Window& self, std::uint32_t dwUpdated)
{
    if (m_source > paneCount(self))
        setSource(self, paneCount(self));
    showSource(self);
    const RefreshDecision d = refreshDecision(dwUpdated, dependency(), 0);
    if (d.recompute)
        recompute(self, logOf(mainOf(self)));
    if (d.passOn)
        command(child(mainOf(self), self.id() + 1), ID_REFRESH, static_cast<LParam>(d.passed));
}

void ViewPane::chooseSource(Window& self)
{
    QWidget* main = mainOf(self);
    QMenu menu(self.window());
    for (int stage = 0; stage <= paneCount(self); ++stage) {
        QAction* a = menu.addAction(QIcon(stageSwatch(stage)), stageName(main, stage));
        a->setData(stage);
        a->setCheckable(true);
        a->setChecked(stage == m_source);
    }
    Window* bar = child(&self, kSourceToolbar);
    const QPoint at = bar ? bar->mapToGlobal(QPoint(0, bar->height())) : QCursor::pos();
    if (QAction* chosen = menu.exec(at)) {
        setSource(self, chosen->data().toInt());
        refresh(self, kRefreshAll);
    }
}

void ViewPane::chooseView(Window& self)
{
    QMenu menu(self.window());
    for (const ViewClass& entry : kViewClasses) {
        QAction* a = menu.addAction(QString::fromUtf8(entry.menuText));
        a->setData(entry.command);
        a->setCheckable(true);
        a->setChecked(self.className() == entry.className);
        // A view on show cannot be chosen a second time.
        bool shown = false;
        for (QObject* object : mainOf(self)->children())
            if (auto* pane = qobject_cast<Window*>(object))
                shown = shown || (pane->id() >= kMainViewId &&
                                  pane->className() == entry.className && pane->isVisible());
        a->setEnabled(!shown && isClassRegistered(entry.className));
    }
    auto* frame = qobject_cast<PaneFrame*>(&self);
    QToolButton* button = frame ? frame->titleButton() : nullptr;
    const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos();
    if (QAction* chosen = menu.exec(at))
        if (Window* next = reinterpret_cast<Window*>(command(&self, chosen->data().toInt()))) {
            command(next, ID_REFRESH, kRefreshAll);
            next->show();
        }
}

Window* ViewPane::replaceBy(Window& self, const char* className)
{
    if (self.className() == className)
        return &self;
    QWidget* main = mainOf(self);
    const int id = self.id();
    const QRect place = self.geometry();
    // A view of that class hidden earlier comes back as it was left.
    Window* next = nullptr;
    for (QObject* object : main->children())
        if (auto* pane = qobject_cast<Window*>(object))
            if (pane != &self && pane->id() == 0 && pane->className() == className &&
                !pane->isVisible())
                next = pane;
    self.setId(0);
    if (next) {
        next->setId(id);
        setWindowPos(next, place);
    } else {
        next = create(className, main, id, place, nullptr, 0);
    }
    if (!next) {
        self.setId(id);
        return nullptr;
    }
    self.hide(); // kept with its state, for a switch back
    return next;
}

} // namespace filters
