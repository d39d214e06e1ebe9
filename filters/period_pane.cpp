// The period pane "WC_FILTER_TIMERANGE" (id 2010): the head of the chain, two lists of the
// log's days ("from" 3001 and "to" 3002); it sets bit 0 of the visitors whose first page
// view lies in the period and passes the refresh on.

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "filters/period_filter.h"
#include "platform/trace.h"
#include "toolkit/controls.h"

#include <QLinearGradient>
#include <QPainter>
#include <memory>

namespace filters {
namespace {

using namespace toolkit;

constexpr int kFrom = 3001;
constexpr int kTo = 3002;
constexpr int kCaptionWidth = 72;
constexpr int kListWidth = 116;

// The caption over the stage's colour, and the dash between the lists.
class PeriodStrip final : public Window
{
  public:
    explicit PeriodStrip(QWidget* parent) : Window(parent) {}
    ~PeriodStrip() override { sendDestroy(); }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QColor colour = fromBgr(stageColour(0));
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, colour.lighter(145));
        g.setColorAt(1, colour);
        p.fillRect(QRect(0, 0, kCaptionWidth, height()), g);
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(Qt::white);
        p.drawText(QRect(6, 0, kCaptionWidth - 6, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(kPeriodCaption));
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(kCaptionWidth + kListWidth, 0, 16, height()), Qt::AlignCenter,
                   QStringLiteral("～"));
    }
};

class PeriodPane final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            for (const int id : {kFrom, kTo})
                create(kComboBoxClass, &self, id,
                       QRect(id == kFrom ? kCaptionWidth : kCaptionWidth + kListWidth + 16, 0,
                             kListWidth, 320),
                       nullptr, WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VSCROLL);
            return 0;
        case WM_MEASUREITEM:
            if (auto* item = reinterpret_cast<MeasureItem*>(lParam))
                item->itemHeight = 18;
            return 1;
        case WM_DRAWITEM:
            drawDay(self, *reinterpret_cast<DrawItem*>(lParam));
            return 1;
        case UM_LOGOPENED:
            opened(self);
            return 0;
        case UM_LOGCLOSED:
            m_period.close();
            fillLists(self);
            return 0;
        case WM_COMMAND:
            return onCommand(self, loWord(wParam), hiWord(wParam), lParam);
        case UM_ISBYPASSED:
            return 0;
        case UM_DESCRIBE:
            if (lParam)
                *reinterpret_cast<std::string*>(lParam) += m_period.describe();
            return 0;
        case WM__GETVIEWSTATE:
            if (lParam) {
                m_period.save(*reinterpret_cast<ViewState*>(lParam));
                platform::trace("WM__GETVIEWSTATE");
            }
            return 0;
        case WM__SETVIEWSTATE:
            if (lParam && m_period.restore(*reinterpret_cast<const ViewState*>(lParam))) {
                showSelection(self);
                applyPeriod(self);
                platform::trace("WM__SETVIEWSTATE");
            }
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    void opened(Window& self)
    {
        if (store::LogContainer* log = logOf(self.parentWidget()))
            m_period.open(*log);
        fillLists(self);
    }

    void fillLists(Window& self)
    {
        m_filling = true;
        for (const int id : {kFrom, kTo}) {
            Window* list = child(&self, id);
            send(list, CB_RESETCONTENT);
            for (const std::int64_t day : m_period.days())
                send(list, CB_ADDSTRING, 0, static_cast<LParam>(day));
        }
        showSelection(self);
        m_filling = false;
    }

    void showSelection(Window& self)
    {
        const bool filling = m_filling;
        m_filling = true;
        send(child(&self, kFrom), CB_SETCURSEL, static_cast<WParam>(m_period.from()));
        send(child(&self, kTo), CB_SETCURSEL, static_cast<WParam>(m_period.to()));
        m_filling = filling;
    }

    LResult onCommand(Window& self, int id, int code, LParam arg)
    {
        if (id == ID_REFRESH) {
            refresh(self, static_cast<std::uint32_t>(arg));
            return 0;
        }
        if ((id == kFrom || id == kTo) && code == CBN_SELCHANGE && !m_filling) {
            const auto from = static_cast<int>(send(child(&self, kFrom), CB_GETCURSEL));
            const auto to = static_cast<int>(send(child(&self, kTo), CB_GETCURSEL));
            m_period.select(from, to); // a "to" before "from" exchanges the two
            showSelection(self);
            command(&self, ID_REFRESH, 0);
        }
        return 0;
    }

    std::uint32_t applyPeriod(Window& self)
    {
        store::LogContainer* log = logOf(self.parentWidget());
        return log ? m_period.apply(log->Visitors) : 0;
    }

    void refresh(Window& self, std::uint32_t dwUpdated)
    {
        const RefreshDecision d = periodRefreshDecision(dwUpdated);
        if (d.recompute)
            applyPeriod(self);
        if (d.passOn)
            command(nextStage(self.parentWidget(), kPeriodId), ID_REFRESH,
                    static_cast<LParam>(d.passed));
    }

    void drawDay(Window& self, const DrawItem& item)
    {
        if (!item.painter || item.itemId < 0)
            return;
        QPainter& p = *item.painter;
        const std::int64_t day = item.itemData;
        const bool enabled = self.isEnabled();
        const bool focused = item.itemState & ODS_FOCUS;
        const bool selected =
            (item.itemState & ODS_SELECTED) && !(item.itemState & ODS_COMBOBOXEDIT);
        p.fillRect(item.rect, selected ? QColor(0xE6, 0xEE, 0xF8) : QColor(Qt::white));
        const QRect text = item.rect.adjusted(4, 0, -4, -1);
        p.setPen(enabled ? QColor(Qt::black) : QColor(0x88, 0x88, 0x88));
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(PeriodFilter::dayText(day)));
        p.setPen(fromBgr(PeriodFilter::weekdayColour(day)));
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromUtf8(PeriodFilter::weekdayName(day)));
        p.setPen(focused ? QColor(0, 0, 0xFF) : QColor(Qt::white));
        p.drawLine(item.rect.left(), item.rect.bottom(), item.rect.right(), item.rect.bottom());
    }

    PeriodFilter m_period;
    bool m_filling = false; // selections made here are not the user's
};

} // namespace

void registerPeriodWindow()
{
    registerClass(
        kPeriodClassName, [](void*) { return std::make_unique<PeriodPane>(); },
        [](QWidget* parent) { return new PeriodStrip(parent); });
}

} // namespace filters
