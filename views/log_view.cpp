#include "views/log_view.h"

#include "filters/chain.h"
#include "filters/csv.h"
#include "filters/filter_window.h"
#include "filters/kinds.h"
#include "filters/view_pane.h"
#include "platform/codepage.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"
#include "views/chooser_control.h"
#include "views/links.h"
#include "views/log_rows.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace views {
namespace {

using namespace toolkit;

constexpr int kSelectionTimer = 100;
constexpr int kBlinkTimer = 101;
constexpr int kBlinkMillis = 1500;

std::function<bool(const std::string&)>& addressOpener()
{
    static std::function<bool(const std::string&)> opener = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(fromCp932(url), QUrl::TolerantMode));
    };
    return opener;
}

class LogView final : public filters::ViewPane, public ListOwner
{
  public:
    QString cellText(int row, int column) const override
    {
        return fromCp932(m_rows.cellText(static_cast<std::size_t>(row), column));
    }

    void drawCell(QPainter& p, int row, int column, const CellState& state, const QRect& rect,
                  Qt::Alignment alignment) const override
    {
        const auto r = static_cast<std::size_t>(row);
        if (state.selected)
            p.fillRect(rect, state.listFocused ? QColor(0x44, 0x44, 0x44)
                                               : filters::fromBgr(filters::accentColour(source())));
        else
            p.fillRect(rect, state.focused ? QColor(0xF0, 0xF0, 0xF0) : QColor(Qt::white));
        if (column == kLogTime) {
            // Weekends: a bar at the left, and a tint fading to the right in plain rows.
            const Weekend day = m_rows.weekend(r);
            if (day != Weekend::None) {
                const WeekendMark mark = day == Weekend::Sunday ? kSundayMark : kSaturdayMark;
                if (!state.selected) {
                    QLinearGradient tint(rect.topLeft(), rect.topRight());
                    tint.setColorAt(0, filters::fromBgr(mark.tint));
                    tint.setColorAt(1, Qt::white);
                    p.fillRect(rect, tint);
                }
                p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()),
                           filters::fromBgr(mark.bar));
            }
        }
        const QColor line = QApplication::palette().button().color();
        p.setPen(line);
        p.drawLine(rect.bottomLeft(), rect.bottomRight());
        p.drawLine(rect.topLeft(), rect.bottomLeft());
        p.setPen(
            filters::fromBgr(m_rows.textColour(r, column, state.selected, m_blink, visitedUrls())));
        drawCellText(p, rect, alignment, cellText(row, column), state);
    }

    void sortRows(unsigned sortType) override { m_rows.sort(sortType); }

  protected:
    QString title() const override { return QStringLiteral("ログ"); }

    std::vector<filters::PaneButton> buttons() const override
    {
        return {filters::PaneButton(filters::kCommandExport)};
    }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        auto* content = new QWidget(&frame);
        m_chooser.create(content, QRect(2, 1, 360, 320));
        m_list = new StatList(content, this);
        std::vector<ListColumn> columns;
        // The time column is at least as wide as a time in this font.
        const int timeWidth =
            m_list->fontMetrics().horizontalAdvance(QStringLiteral("00/00 00:00:00")) + 12;
        for (int c = 0; c < kLogColumnCount; ++c)
            columns.push_back(
                {QString::fromLatin1(kLogColumns[c].title),
                 c == kLogTime ? std::max(kLogColumns[c].width, timeWidth) : kLogColumns[c].width,
                 Qt::AlignLeft});
        m_list->setColumns(
            columns, std::vector<int>(std::begin(kLogDisplayOrder), std::end(kLogDisplayOrder)));
        m_list->setSortType(m_rows.sortType());
        m_list->horizontalHeader()->setStretchLastSection(true);
        m_list->viewport()->setMouseTracking(true);
        m_list->viewport()->installEventFilter(&m_handCursor);
        m_handCursor.view = this;
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, kChooserHeight, 0, 0);
        layout->addWidget(m_list);
        m_start = startPanel(frame);
        return content;
    }

    // What a window without a log shows in the main view: how to begin.
    QWidget* startPanel(filters::PaneFrame& frame)
    {
        auto* panel = new QWidget(m_list->viewport());
        panel->setObjectName(QStringLiteral("startPanel"));
        auto* layout = new QVBoxLayout(panel);
        auto* text = new QLabel(
            QStringLiteral("アクセスログを解析するか、解析済みログを開いてください。"), panel);
        text->setAlignment(Qt::AlignCenter);
        text->setStyleSheet(QStringLiteral("color: #5a6270;"));
        layout->addWidget(text);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        for (const auto& [label, id] :
             {std::pair{QStringLiteral("新しいログ解析(&N)..."), ID_NEW_ANALYSIS},
              std::pair{QStringLiteral("解析済みログを開く(&O)..."), ID_OPEN_LOG}}) {
            auto* button = new QPushButton(label, panel);
            const int command = id;
            QObject::connect(button, &QPushButton::clicked, &frame, [&frame, command] {
                toolkit::command(qobject_cast<Window*>(frame.parentWidget()), command);
            });
            buttons->addWidget(button);
        }
        buttons->addStretch();
        layout->addLayout(buttons);
        panel->adjustSize();
        m_list->viewport()->installEventFilter(&m_startPlacer);
        m_startPlacer.panel = panel;
        return panel;
    }

    // Keeps the start panel in the middle of the list.
    struct StartPlacer : QObject
    {
        QWidget* panel = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (panel && event->type() == QEvent::Resize) {
                auto* viewport = static_cast<QWidget*>(watched);
                panel->move((viewport->width() - panel->width()) / 2,
                            std::max(0, (viewport->height() - panel->height()) / 3));
            }
            return false;
        }
    } m_startPlacer;

    void recompute(Window& self, store::LogContainer* log) override
    {
        {
            const WaitCursor wait;
            if (log)
                m_rows.refresh(*log, sourceBit());
            else
                m_rows.close();
            m_hasLog = log != nullptr;
            if (m_start)
                m_start->setVisible(!m_hasLog);
            showRows(self);
        }
        updateStatus();
    }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            m_self = &self;
            self.setTimer(kBlinkTimer, kBlinkMillis);
            return 0;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            if (LResult answer = 0;
                m_chooser.handle(self, msg, wParam, lParam, m_rows.chooser(), answer))
                return answer;
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        case WM_COMMAND:
            if (LResult answer = 0;
                m_chooser.handle(self, msg, wParam, lParam, m_rows.chooser(), answer))
                return answer;
            return onCommand(self, loWord(wParam));
        case WM_NOTIFY:
            return onNotify(self, reinterpret_cast<NotifyHeader*>(lParam));
        case WM_TIMER:
            if (static_cast<int>(wParam) == kSelectionTimer) {
                self.killTimer(kSelectionTimer);
                m_rows.setSelection(m_list->selectedRows());
            } else if (static_cast<int>(wParam) == kBlinkTimer) {
                ++m_blink;
                m_list->viewport()->update(); // the hosts still being looked up blink
            }
            return 0;
        case UM_HOSTRESOLVED:
            // The rows of that host show its name at once.
            for (int row = rowAt(0); row >= 0 && row <= rowAt(m_list->viewport()->height()); ++row)
                if (m_rows.hasAddress(static_cast<std::size_t>(row), ntohlOf(wParam))) {
                    m_list->viewport()->update();
                    break;
                }
            return 0;
        case UM_LOGCLOSED:
            recompute(self, nullptr);
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

    const QString* statusText() const override { return m_status.isEmpty() ? nullptr : &m_status; }

  private:
    static std::uint32_t ntohlOf(WParam networkAddress)
    {
        const auto a = static_cast<std::uint32_t>(networkAddress);
        return ((a & 0xFF) << 24) | ((a & 0xFF00) << 8) | ((a >> 8) & 0xFF00) | (a >> 24);
    }

    int rowAt(int y) const
    {
        const int row = m_list->rowAt(y);
        return row < 0 && y > 0 ? m_list->rowCount() - 1 : row;
    }

    void showRows(Window& self)
    {
        m_quiet = true;
        m_list->setRowCount(static_cast<int>(m_rows.rowCount()));
        m_list->setSortType(m_rows.sortType());
        m_list->refresh();
        std::vector<int> rows;
        for (const std::size_t r : m_rows.selectedRows())
            rows.push_back(static_cast<int>(r));
        m_list->setSelectedRows(rows);
        m_quiet = false;
        self.killTimer(kSelectionTimer);
        m_chooser.show(m_rows.chooser(), mainOf(self));
    }

    // The records of the stage, "0 件のリクエスト" too; nothing while no log is open.
    void updateStatus()
    {
        m_status =
            m_hasLog ? QStringLiteral("%L1 件のリクエスト").arg(m_rows.rowCount()) : QString();
    }

    LResult onCommand(Window& self, int id)
    {
        if (id == filters::kCommandExport) {
            exportRows(self);
            return 0;
        }
        return 0;
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
        case LVN_COLUMNCLICK: {
            // Sorting keeps the selection: its records are selected again where they went.
            showRows(self);
            return 0;
        }
        case NM_DBLCLK: {
            const auto* notify = reinterpret_cast<ListNotify*>(header);
            if (notify->subitem == kLogReferer && notify->row >= 0) {
                const std::string url = m_rows.refererToOpen(static_cast<std::size_t>(notify->row));
                if (!url.empty() && openAddress(url, self.window()))
                    m_list->viewport()->update();
            }
            return 0;
        }
        case TTN_GETDISPINFO: {
            auto* request = reinterpret_cast<ToolTipRequest*>(header);
            if (const char* tip = filters::tooltipOf(request->item))
                request->text = QString::fromUtf8(tip);
            return 0;
        }
        default:
            return 0;
        }
    }

    void exportRows(Window& self)
    {
        const std::string path = filters::chooseExportPath(self.window());
        if (path.empty())
            return;
        if (filters::exportCsv(path, m_rows, m_list->displayOrder()) != 0)
            QMessageBox::critical(self.window(), QString::fromLatin1(filters::kExportCaption),
                                  QString::fromUtf8(filters::kExportFailedText));
    }

    // The hand over outside referers, which a double click opens.
    struct HandCursor : QObject
    {
        LogView* view = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::MouseMove && view && view->m_list) {
                auto* widget = static_cast<QWidget*>(watched);
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                const QModelIndex index = view->m_list->indexAt(at);
                const bool link = index.isValid() && index.column() == kLogReferer &&
                                  view->m_rows.refererIsLink(static_cast<std::size_t>(index.row()));
                widget->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
            }
            return false;
        }
    };

    LogRows m_rows;
    ChooserControl m_chooser;
    StatList* m_list = nullptr;
    Window* m_self = nullptr;
    HandCursor m_handCursor;
    unsigned m_blink = 0;
    bool m_quiet = false;
    QString m_status;
    bool m_hasLog = false;
    QWidget* m_start = nullptr; // the start panel
};

} // namespace

void registerLogView()
{
    registerClass(
        kLogViewClassName, [](void*) { return std::make_unique<LogView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
}

bool openAddress(const std::string& url, QWidget* owner)
{
    if (url.empty())
        return false;
    if (!addressOpener()(url)) {
        QMessageBox::warning(owner, QStringLiteral("Vexilo"),
                             QStringLiteral("アドレスを開けませんでした。ブラウザが見つからないか、"
                                            "起動できませんでした。\n\n%1")
                                 .arg(fromCp932(url)));
        return false;
    }
    visitedUrls().add(url);
    return true;
}

void setAddressOpener(std::function<bool(const std::string&)> opener)
{
    if (opener)
        addressOpener() = std::move(opener);
}

} // namespace views
