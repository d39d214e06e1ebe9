#include "filters/chain_windows.h"

#include "filters/chain.h"
#include "filters/pane_frame.h"
#include "toolkit/qt_glue.h"

namespace filters {

using namespace toolkit;

std::vector<Window*> filterPanes(QWidget* main)
{
    std::vector<Window*> panes;
    for (int id = kFirstPaneId; Window* pane = child(main, id); ++id)
        panes.push_back(pane);
    return panes;
}

std::vector<bool> bypassStates(QWidget* main)
{
    std::vector<bool> states;
    for (Window* pane : filterPanes(main))
        states.push_back(send(pane, UM_ISBYPASSED) != 0);
    return states;
}

Window* nextStage(QWidget* main, int id)
{
    if (id == kPeriodId)
        id = kFirstPaneId - 1;
    if (id < kMainViewId)
        if (Window* next = child(main, id + 1))
            return next;
    return id < kMainViewId ? child(main, kMainViewId) : child(main, id + 1);
}

QString numberLabel(QWidget* main, int id)
{
    if (id == kPeriodId)
        return QStringLiteral("1.");
    const auto labels = numberLabels(bypassStates(main));
    const int position = id - kFirstPaneId;
    return position >= 0 && position < static_cast<int>(labels.size())
               ? QString::fromStdString(labels[static_cast<std::size_t>(position)])
               : QString();
}

void updateLabels(QWidget* main)
{
    const auto labels = numberLabels(bypassStates(main));
    const auto panes = filterPanes(main);
    for (std::size_t i = 0; i < panes.size(); ++i)
        if (auto* frame = qobject_cast<PaneFrame*>(panes[i])) {
            frame->setLabel(QString::fromStdString(labels[i]));
            frame->setStage(static_cast<int>(i) + 1);
        }
}

store::LogContainer* logOf(QWidget* main)
{
    return reinterpret_cast<store::LogContainer*>(
        send(qobject_cast<Window*>(main), UM_GETLOGCONTAINER));
}

int columnBottom(QWidget* main)
{
    if (!main)
        return 0;
    Window* status = child(main, IDW_STATUSBAR);
    return main->height() - (status ? status->height() : 0);
}

void placeNewFilterPane(QWidget* main, Window& pane)
{
    constexpr int kColumnTop = 44; // below the period pane and the add-filter toolbar
    constexpr int kPlace = 200;
    const int position = pane.id() - IDW_FILTER_FIRST;
    const int bottom = columnBottom(main);
    const int top = std::max(kColumnTop, std::min(kColumnTop + kPlace * position, bottom - kPlace));
    Window* splitter = child(main, IDW_SPLITTER);
    const int width = splitter ? splitter->x() : kFilterColumnWidth;
    if (Window* before = child(main, pane.id() - 1))
        if (before->geometry().bottom() + 1 > top)
            setWindowPos(before, QRect(before->x(), before->y(), before->width(),
                                       std::max(kPaneMinimumHeight, top - before->y())));
    setWindowPos(&pane, QRect(0, top, width, std::max(kPaneMinimumHeight, bottom - top)));
}

void closeFilterColumnGap(QWidget* main, int position, const QRect& place)
{
    if (Window* taker = child(main, IDW_FILTER_FIRST + position))
        setWindowPos(taker, QRect(taker->x(), place.y(), taker->width(),
                                  taker->geometry().bottom() + 1 - place.y()));
    else if (Window* before = child(main, IDW_FILTER_FIRST + position - 1))
        setWindowPos(before, QRect(before->x(), before->y(), before->width(),
                                   columnBottom(main) - before->y()));
}

void stretchLastFilterPane(QWidget* main)
{
    const std::vector<Window*> panes = filterPanes(main);
    if (panes.empty())
        return;
    Window* last = panes.back();
    const int bottom = columnBottom(main);
    if (last->geometry().bottom() + 1 != bottom)
        setWindowPos(last,
                     QRect(last->x(), last->y(), last->width(), std::max(0, bottom - last->y())));
}

} // namespace filters
