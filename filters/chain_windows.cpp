#include "filters/chain_windows.h"

#include "filters/chain.h"
#include "filters/pane_frame.h"
#include "toolkit/qt_glue.h"

#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <cstring>

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
    // The status bar's top once it is in its place at the bottom; before, its height.
    Window* status = child(main, IDW_STATUSBAR);
    if (!status)
        return main->height();
    return status->y() > 0 ? status->y() : main->height() - status->sizeHint().height();
}

namespace {

constexpr int kColumnTop = 44; // below the period pane and the add-filter toolbar
constexpr char kColumnScrollName[] = "filterColumnScroll";

int columnWidth(QWidget* main)
{
    Window* splitter = child(main, IDW_SPLITTER);
    return splitter ? splitter->x() : kFilterColumnWidth;
}

// The scroll bar of a column that cannot show every pane; made on first need.
QScrollBar* columnScroll(QWidget* main, bool make)
{
    auto* bar =
        main->findChild<QScrollBar*>(QLatin1String(kColumnScrollName), Qt::FindDirectChildrenOnly);
    if (!bar && make) {
        bar = new QScrollBar(Qt::Vertical, main);
        bar->setObjectName(QLatin1String(kColumnScrollName));
        bar->setSingleStep(1);
        QObject::connect(bar, &QScrollBar::valueChanged, main,
                         [main] { layOutFilterColumn(main); });
    }
    return bar;
}

} // namespace

void layOutFilterColumn(QWidget* main)
{
    if (!main)
        return;
    const std::vector<Window*> panes = filterPanes(main);
    const int n = static_cast<int>(panes.size());
    const int room = std::max(0, columnBottom(main) - kColumnTop);
    int width = columnWidth(main);
    QScrollBar* scroll = columnScroll(main, n * kPaneUsableHeight > room);
    if (n * kPaneUsableHeight <= room) {
        if (scroll)
            scroll->hide();
        // Every pane keeps what it has, at least its usable height; what is too much is taken
        // from the panes that have more, in proportion; the last pane reaches the bottom.
        std::vector<int> heights;
        int total = 0, spare = 0;
        for (Window* pane : panes) {
            heights.push_back(std::max(kPaneUsableHeight, pane->height()));
            total += heights.back();
            spare += heights.back() - kPaneUsableHeight;
        }
        if (total > room && spare > 0) {
            const int cut = total - room;
            int left = cut;
            for (int& h : heights) {
                const int share =
                    static_cast<int>(static_cast<long long>(h - kPaneUsableHeight) * cut / spare);
                h -= share;
                left -= share;
            }
            // What the rounding left over, from the panes that still have some to give.
            for (auto h = heights.rbegin(); left > 0 && h != heights.rend(); ++h) {
                const int take = std::min(left, *h - kPaneUsableHeight);
                *h -= take;
                left -= take;
            }
        }
        int top = kColumnTop;
        for (int i = 0; i < n; ++i) {
            const int h = i + 1 == n ? std::max(kPaneUsableHeight, kColumnTop + room - top)
                                     : heights[static_cast<std::size_t>(i)];
            setWindowPos(panes[static_cast<std::size_t>(i)], QRect(0, top, width, h));
            top += h;
        }
    } else {
        // Not all fit: each pane shows its title bar and a few rows, and the column scrolls a
        // pane at a time; the panes scrolled out of view wait above or below it.
        const int shown = std::max(1, room / kPaneUsableHeight);
        scroll->setRange(0, n - shown);
        scroll->setPageStep(shown);
        const int first = scroll->value();
        const int barWidth = scroll->sizeHint().width();
        width = std::max(0, width - barWidth);
        scroll->setGeometry(width, kColumnTop, barWidth, room);
        scroll->show();
        scroll->raise();
        for (int i = 0; i < n; ++i) {
            const int y = i < first ? -kPaneUsableHeight * (first - i) - 10000
                                    : kColumnTop + kPaneUsableHeight * (i - first);
            setWindowPos(panes[static_cast<std::size_t>(i)], QRect(0, y, width, kPaneUsableHeight));
        }
    }
    // Nothing covers the status bar.
    if (Window* status = child(main, IDW_STATUSBAR))
        status->raise();
}

void placeNewFilterPane(QWidget* main, Window& pane)
{
    constexpr int kPlace = 200;
    const int position = pane.id() - IDW_FILTER_FIRST;
    const int bottom = columnBottom(main);
    int top = std::max(kColumnTop, std::min(kColumnTop + kPlace * position, bottom - kPlace));
    if (Window* before = child(main, pane.id() - 1)) {
        // The pane before gives up what it covered, down to its usable height.
        top = std::max(top, before->y() + kPaneUsableHeight);
        setWindowPos(before, QRect(before->x(), before->y(), before->width(), top - before->y()));
    }
    setWindowPos(&pane,
                 QRect(0, top, columnWidth(main), std::max(kPaneUsableHeight, bottom - top)));
    layOutFilterColumn(main);
}

void closeFilterColumnGap(QWidget* main, int position, const QRect& place)
{
    if (Window* taker = child(main, IDW_FILTER_FIRST + position))
        setWindowPos(taker, QRect(taker->x(), place.y(), taker->width(),
                                  taker->geometry().bottom() + 1 - place.y()));
    layOutFilterColumn(main);
}

} // namespace filters

namespace filters {

void showRefererView(QWidget* main, const char* key)
{
    if (!key || (std::strncmp(key, "http://", 7) != 0 && std::strncmp(key, "https://", 8) != 0))
        return;
    if (!isClassRegistered("WC_REFERERVIEW"))
        return;
    static QPointer<Window> view;
    if (!view && (view = create("WC_REFERERVIEW", nullptr, 0, QRect(), main, 0)))
        view->resize(800, 200);
    if (view) {
        send(view, UM_SHOWURL, reinterpret_cast<WParam>(main), reinterpret_cast<LParam>(key));
        view->show();
        view->raise();
    }
}

} // namespace filters
