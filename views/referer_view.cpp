#include "views/referer_view.h"

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "platform/codepage.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"
#include "views/links.h"
#include "views/log_view.h"
#include "views/referer_rows.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <memory>

namespace views {
namespace {

using namespace toolkit;

class RefererView final : public Handler, public ListOwner
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            m_main = reinterpret_cast<QWidget*>(lParam);
            created(self);
            return 0;
        case UM_SHOWURL:
            if (lParam)
                show(self, reinterpret_cast<const char*>(lParam));
            return 0;
        case UM_LOGCLOSED:
            m_rows.close();
            m_list->setRowCount(0);
            return 0;
        case WM_NOTIFY:
            return onNotify(reinterpret_cast<NotifyHeader*>(lParam));
        case WM_COMMAND:
            if (loWord(wParam) == kCommandOpen)
                open(m_list->focusedRow());
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

    QString cellText(int row, int subitem) const override
    {
        return fromCp932(m_rows.cellText(static_cast<std::size_t>(row), subitem));
    }

    void drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                  Qt::Alignment alignment) const override
    {
        const auto r = static_cast<std::size_t>(row);
        if (state.selected)
            p.fillRect(rect, state.listFocused ? QApplication::palette().highlight().color()
                                               : QColor(0x88, 0x88, 0x88));
        else
            p.fillRect(rect, Qt::white);
        p.setPen(QApplication::palette().button().color());
        p.drawLine(rect.bottomLeft(), rect.bottomRight());
        p.drawLine(rect.topLeft(), rect.bottomLeft());
        p.setPen(subitem == kRefererAddress
                     ? filters::fromBgr(m_rows.textColour(r, state.selected, visitedUrls()))
                     : (state.selected ? QColor(Qt::white) : QColor(Qt::black)));
        drawCellText(p, rect, alignment, cellText(row, subitem), state, Qt::ElideMiddle);
    }

    void sortRows(unsigned sortType) override { m_rows.sort(sortType); }

  private:
    void created(Window& self)
    {
        m_self = &self;
        // A window of its own that stays with the main window (above it, closed with it).
        if (m_main)
            self.setParent(m_main, Qt::Window);
        self.setAttribute(Qt::WA_ShowWithoutActivating);
        // A window of its own goes with Escape, as dialogs do.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &self);
        QObject::connect(escape, &QShortcut::activated, &self, [&self] { self.close(); });
        self.setWindowIcon(QApplication::windowIcon());
        auto* frame = qobject_cast<filters::PaneFrame*>(&self);
        QWidget* parent = frame ? static_cast<QWidget*>(frame) : &self;
        m_list = new StatList(parent, this);
        std::vector<ListColumn> columns;
        for (const filters::Column& c : kRefererColumns)
            columns.push_back({QString::fromLatin1(c.title), c.width,
                               c.rightAligned ? Qt::AlignRight : Qt::AlignLeft});
        m_list->setColumns(columns, std::vector<int>(std::begin(kRefererDisplayOrder),
                                                     std::end(kRefererDisplayOrder)));
        m_list->setSortType(m_rows.sortType());
        m_list->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(
            m_list, &QWidget::customContextMenuRequested, m_list, [this](const QPoint& at) {
                const int row = m_list->rowAt(at.y());
                if (row < 0)
                    return;
                QMenu menu(m_list);
                QAction* open = menu.addAction(QString::fromUtf8(kOpenMenuText));
                open->setEnabled(!m_rows.toOpen(static_cast<std::size_t>(row)).empty());
                if (menu.exec(m_list->viewport()->mapToGlobal(at)) == open)
                    this->open(row);
            });
        m_list->viewport()->setMouseTracking(true);
        m_list->viewport()->installEventFilter(&m_handCursor);
        m_handCursor.view = this;
        if (frame) {
            frame->setStage(-1);
            frame->setContent(m_list);
        }
    }

    void show(Window& self, const char* key)
    {
        store::LogContainer* log = m_main ? filters::logOf(m_main) : nullptr;
        {
            const WaitCursor wait;
            m_list->clearSelectedRows();
            if (log)
                m_rows.show(*log, key);
            else
                m_rows.close();
            m_list->setSortType(m_rows.sortType());
            m_list->setRowCount(static_cast<int>(m_rows.rowCount()));
            m_list->refresh();
        }
        if (!m_rows.title().empty()) {
            const QString title = fromCp932(m_rows.title());
            self.setWindowTitle(title);
            if (auto* frame = qobject_cast<filters::PaneFrame*>(&self))
                frame->setTitle(title, false);
        }
        if (m_rows.rowCount())
            m_list->setSelectedRows({0});
    }

    LResult onNotify(NotifyHeader* header)
    {
        if (!header)
            return 0;
        const auto* notify = reinterpret_cast<ListNotify*>(header);
        switch (header->code) {
        case NM_DBLCLK:
            open(notify->row);
            return 0;
        case LVN_COLUMNCLICK:
            // The rows were sorted anew; the selected address is found where it went.
            if (!m_selected.empty()) {
                const int row = m_rows.findAddress(m_selected);
                m_list->setSelectedRows(row >= 0 ? std::vector<int>{row} : std::vector<int>{});
                if (row >= 0)
                    m_list->scrollTo(m_list->listModel()->index(row, 0));
            }
            m_list->refresh();
            return 0;
        case LVN_ITEMCHANGED: {
            const std::vector<int> rows = m_list->selectedRows();
            m_selected = rows.empty()
                             ? std::string()
                             : m_rows.rows()[static_cast<std::size_t>(rows.front())].address;
            return 0;
        }
        default:
            return 0;
        }
    }

    void open(int row)
    {
        if (row < 0 || static_cast<std::size_t>(row) >= m_rows.rowCount())
            return;
        if (openAddress(m_rows.toOpen(static_cast<std::size_t>(row)), m_self))
            m_list->viewport()->update();
    }

    // The hand over addresses that open.
    struct HandCursor : QObject
    {
        RefererView* view = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::MouseMove && view && view->m_list) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                const int row = view->m_list->rowAt(at.y());
                const bool link =
                    row >= 0 && !view->m_rows.toOpen(static_cast<std::size_t>(row)).empty();
                static_cast<QWidget*>(watched)->setCursor(link ? Qt::PointingHandCursor
                                                               : Qt::ArrowCursor);
            }
            return false;
        }
    };

    RefererRows m_rows;
    StatList* m_list = nullptr;
    Window* m_self = nullptr;
    QWidget* m_main = nullptr; // the main window that opened the view
    HandCursor m_handCursor;
    std::string m_selected; // the address of the selected row
};

} // namespace

void registerRefererView()
{
    registerClass(
        kRefererViewClassName, [](void*) { return std::make_unique<RefererView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
}

} // namespace views
