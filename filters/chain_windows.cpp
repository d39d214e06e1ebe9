#include "filters/chain_windows.h"

#include "filters/chain.h"
#include "filters/pane_frame.h"

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

} // namespace filters
