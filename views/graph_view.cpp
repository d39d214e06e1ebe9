#include "views/graph_view.h"

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/kinds.h"
#include "filters/pane_frame.h"
#include "filters/view_pane.h"
#include "platform/trace.h"
#include "store/view_state.h"
#include "toolkit/controls.h"
#include "views/graph_csv.h"
#include "views/graph_model.h"
#include "views/log_rows.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <memory>

namespace views {
namespace {

using namespace toolkit;

QColor stageColour(int stage)
{
    return filters::fromBgr(filters::stageColour(stage));
}

QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The chart: it reads the model and the stage names only, and draws everything with
// QPainter (antialiased, at the screen's pixel ratio).
class GraphCanvas final : public QWidget
{
  public:
    GraphCanvas(QWidget* parent, const GraphModel& model) : QWidget(parent), m_model(model)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumHeight(60);
    }

    // The number label and title of each stage, for the legend and the readout.
    void setStageNames(std::vector<QString> names) { m_names = std::move(names); }

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const int bucket = bucketAt(event->position().x());
        if (bucket != m_hover) {
            m_hover = bucket;
            update();
        }
    }
    void leaveEvent(QEvent*) override
    {
        m_hover = -1;
        update();
    }

  private:
    struct Frame
    {
        QRectF plot;   // the area of the lines
        QRectF totals; // the pie and the legend; empty when there is no room
    };

    Frame frameOf(const QFontMetricsF& fm) const;
    double xOf(const QRectF& plot, std::size_t bucket) const
    {
        const double n = static_cast<double>(std::max<std::size_t>(m_model.buckets().size(), 1));
        return plot.left() + (static_cast<double>(bucket) + 0.5) * plot.width() / n;
    }
    int bucketAt(double x) const
    {
        const QFontMetricsF fm(font());
        const QRectF plot = frameOf(fm).plot;
        const std::size_t n = m_model.buckets().size();
        if (n == 0 || x < plot.left() || x >= plot.right())
            return -1;
        return std::clamp(
            static_cast<int>((x - plot.left()) * static_cast<double>(n) / plot.width()), 0,
            static_cast<int>(n) - 1);
    }
    QString stageName(int stage) const
    {
        return stage >= 0 && static_cast<std::size_t>(stage) < m_names.size() ? m_names[stage]
                                                                              : QString();
    }

    void drawBackground(QPainter& p, const QRectF& plot) const;
    void drawValueAxis(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const;
    void drawTimeAxis(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const;
    void drawStageLines(QPainter& p, const QRectF& plot) const;
    void drawRankLine(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const;
    void drawTotals(QPainter& p, const QRectF& area, const QFontMetricsF& fm) const;
    void drawReadout(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const;

    const GraphModel& m_model;
    std::vector<QString> m_names;
    int m_hover = -1;
};

constexpr double kTotalsWidth = 230;
const QColor kInk(60, 66, 78);
const QColor kGrid(228, 231, 236);
const QColor kRankColour(0xE0, 0x7B, 0x00);

GraphCanvas::Frame GraphCanvas::frameOf(const QFontMetricsF& fm) const
{
    const QRectF all = QRectF(rect()).adjusted(8, 10, -10, -6);
    Frame f;
    QRectF chart = all;
    if (all.width() > kTotalsWidth * 2.2) {
        f.totals = QRectF(all.right() - kTotalsWidth, all.top(), kTotalsWidth, all.height());
        chart.setRight(f.totals.left() - 14);
    }
    const double axis = fm.horizontalAdvance(QStringLiteral("100000%")) + 6;
    const double rankAxis =
        m_model.rankShown() ? fm.horizontalAdvance(QStringLiteral("100 Rank")) + 8 : 0;
    f.plot = chart.adjusted(axis, 2, -rankAxis, -(fm.height() + 6));
    if (f.plot.width() < 10 || f.plot.height() < 10)
        f.plot = QRectF();
    return f;
}

void GraphCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(rect(), Qt::white);
    const QFontMetricsF fm(font());
    const Frame f = frameOf(fm);
    if (f.plot.isEmpty())
        return;
    drawBackground(p, f.plot);
    drawValueAxis(p, f.plot, fm);
    if (m_model.buckets().empty()) {
        p.setPen(QColor(150, 155, 165));
        p.drawText(f.plot, Qt::AlignCenter, QStringLiteral("表示する訪問者がいません"));
        return;
    }
    drawTimeAxis(p, f.plot, fm);
    drawStageLines(p, f.plot);
    if (m_model.rankShown())
        drawRankLine(p, f.plot, fm);
    if (!f.totals.isEmpty())
        drawTotals(p, f.totals, fm);
    if (m_hover >= 0 && static_cast<std::size_t>(m_hover) < m_model.buckets().size())
        drawReadout(p, f.plot, fm);
}

void GraphCanvas::drawBackground(QPainter& p, const QRectF& plot) const
{
    const std::size_t n = m_model.buckets().size();
    // Saturdays and Sundays: each its own tint, and a line where the day starts.
    for (std::size_t b = 0; b < n; ++b) {
        const Weekend day = m_model.weekend(b);
        if (day == Weekend::None)
            continue;
        const WeekendMark mark = day == Weekend::Sunday ? kSundayMark : kSaturdayMark;
        const double x0 =
            plot.left() + static_cast<double>(b) * plot.width() / static_cast<double>(n);
        const double x1 =
            plot.left() + static_cast<double>(b + 1) * plot.width() / static_cast<double>(n);
        QColor tint = filters::fromBgr(mark.tint);
        p.fillRect(QRectF(x0, plot.top(), x1 - x0, plot.height()), tint);
        if (m_model.startsDay(b)) {
            QColor line = filters::fromBgr(mark.bar);
            line.setAlpha(70);
            p.setPen(QPen(line, 1));
            p.drawLine(QPointF(x0, plot.top()), QPointF(x0, plot.bottom()));
        }
    }
}

void GraphCanvas::drawValueAxis(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const
{
    const int top = m_model.scaleMax();
    const int steps =
        std::clamp(static_cast<int>(plot.height() / (fm.height() * 2.2)), 1, std::min(top, 5));
    p.setPen(kInk);
    for (int i = 0; i <= steps; ++i) {
        const int value = static_cast<int>(std::lround(static_cast<double>(top) * i / steps));
        const double y = plot.bottom() - plot.height() * value / top;
        p.setPen(QPen(i == 0 ? QColor(170, 175, 185) : kGrid, 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(kInk);
        p.drawText(QRectF(0, y - fm.height() / 2, plot.left() - 6, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, utf8(m_model.scaleLabel(value)));
    }
}

void GraphCanvas::drawTimeAxis(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const
{
    const std::size_t n = m_model.buckets().size();
    const double step = plot.width() / static_cast<double>(n);
    const double labelWidth = fm.horizontalAdvance(QStringLiteral("00/00")) + 10;
    const std::size_t every =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(labelWidth / step)));
    p.setPen(kInk);
    for (std::size_t b = 0; b < n; b += every) {
        const double x = xOf(plot, b);
        p.setPen(QPen(QColor(170, 175, 185), 1));
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
        p.setPen(kInk);
        p.drawText(QRectF(x - labelWidth / 2, plot.bottom() + 4, labelWidth, fm.height()),
                   Qt::AlignHCenter | Qt::AlignTop, utf8(m_model.timeLabel(b)));
    }
}

// A smooth line through the points (a Catmull-Rom spline as cubic Béziers), its control
// points kept inside the plot so that it never swings below zero or above the top.
QPainterPath smoothPath(const std::vector<QPointF>& points, const QRectF& plot)
{
    QPainterPath path;
    if (points.empty())
        return path;
    path.moveTo(points[0]);
    if (points.size() == 1) {
        path.lineTo(points[0] + QPointF(0.01, 0));
        return path;
    }
    auto clampY = [&](QPointF q) {
        q.setY(std::clamp(q.y(), plot.top(), plot.bottom()));
        return q;
    };
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const QPointF p0 = points[i == 0 ? 0 : i - 1];
        const QPointF p1 = points[i];
        const QPointF p2 = points[i + 1];
        const QPointF p3 = points[std::min(i + 2, points.size() - 1)];
        const QPointF c1 = clampY(p1 + (p2 - p0) / 6.0);
        const QPointF c2 = clampY(p2 - (p3 - p1) / 6.0);
        path.cubicTo(c1, c2, p2);
    }
    return path;
}

void GraphCanvas::drawStageLines(QPainter& p, const QRectF& plot) const
{
    const double top = m_model.scaleMax();
    const std::vector<int> stages = m_model.displayedStages();
    // Later stages are subsets of earlier ones: drawing the source last keeps it on top.
    for (auto it = stages.rbegin(); it != stages.rend(); ++it) {
        const int stage = *it;
        const QColor colour = stageColour(stage);
        // A line breaks where the value is undefined (a share of no visitors).
        std::vector<std::vector<QPointF>> runs(1);
        for (std::size_t b = 0; b < m_model.buckets().size(); ++b) {
            const std::optional<double> v = m_model.value(b, stage);
            if (!v) {
                if (!runs.back().empty())
                    runs.emplace_back();
                continue;
            }
            runs.back().emplace_back(xOf(plot, b),
                                     plot.bottom() - plot.height() * std::min(*v, top) / top);
        }
        for (const auto& run : runs) {
            if (run.empty())
                continue;
            const QPainterPath line = smoothPath(run, plot);
            // A soft fill under the line, fading downwards.
            QPainterPath area = line;
            area.lineTo(run.back().x(), plot.bottom());
            area.lineTo(run.front().x(), plot.bottom());
            area.closeSubpath();
            QLinearGradient fade(0, plot.top(), 0, plot.bottom());
            QColor upper = colour;
            upper.setAlpha(stage == stages.front() ? 46 : 28);
            QColor lower = colour;
            lower.setAlpha(4);
            fade.setColorAt(0, upper);
            fade.setColorAt(1, lower);
            p.fillPath(area, fade);
            p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(line);
        }
    }
}

void GraphCanvas::drawRankLine(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const
{
    const int top = m_model.rankScaleMax();
    // The axis at the right: "1 Rank" at the foot, then every tenth page.
    p.setPen(kRankColour);
    std::vector<int> ticks{1};
    const int stepPages = std::max(10, (top / 5 + 9) / 10 * 10);
    for (int v = stepPages; v <= top; v += stepPages)
        ticks.push_back(v);
    for (const int v : ticks) {
        const double y = plot.bottom() - plot.height() * v / top;
        p.drawLine(QPointF(plot.right(), y), QPointF(plot.right() + 3, y));
        p.drawText(QRectF(plot.right() + 5, y - fm.height() / 2, 200, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, utf8(GraphModel::rankLabel(v)));
    }
    std::vector<std::vector<QPointF>> runs(1);
    for (std::size_t b = 0; b < m_model.buckets().size(); ++b) {
        const std::optional<double> v = m_model.rankAverage(b);
        if (!v) {
            if (!runs.back().empty())
                runs.emplace_back();
            continue;
        }
        runs.back().emplace_back(xOf(plot, b),
                                 plot.bottom() - plot.height() * std::min(*v, double(top)) / top);
    }
    p.setPen(QPen(kRankColour, 1.6, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const auto& run : runs) {
        p.drawPath(smoothPath(run, plot));
        p.setBrush(kRankColour);
        for (const QPointF& point : run)
            p.drawEllipse(point, 2.0, 2.0);
        p.setBrush(Qt::NoBrush);
    }
}

void GraphCanvas::drawTotals(QPainter& p, const QRectF& area, const QFontMetricsF& fm) const
{
    const std::vector<int> stages = m_model.displayedStages();
    if (stages.empty())
        return;
    const double rowHeight = fm.height() + 4;
    const double legendHeight = rowHeight * static_cast<double>(stages.size());
    const double diameter =
        std::clamp(area.height() - legendHeight - 14, 0.0, std::min(area.width() - 20, 150.0));
    double y = area.top();
    if (diameter >= 36) {
        const QRectF pie(area.center().x() - diameter / 2, area.top(), diameter, diameter);
        // A faint disc for the whole of the base stage, then one sector per stage, all from
        // twelve o'clock; the widest first so that every sector shows.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(242, 244, 247));
        p.drawEllipse(pie);
        std::vector<int> order = stages;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return m_model.sweep(a) > m_model.sweep(b); });
        for (const int stage : order) {
            const double sweep = m_model.sweep(stage);
            if (sweep <= 0)
                continue;
            const QColor colour = stageColour(stage);
            QRadialGradient shade(pie.center(), diameter / 2,
                                  pie.center() - QPointF(diameter / 6, diameter / 6));
            shade.setColorAt(0, colour.lighter(165));
            shade.setColorAt(1, colour);
            p.setBrush(shade);
            p.setPen(QPen(Qt::white, 1.2));
            if (sweep >= 359.99)
                p.drawEllipse(pie);
            else
                p.drawPie(pie, 90 * 16, -static_cast<int>(std::lround(sweep * 16)));
        }
        y = pie.bottom() + 12;
    }
    // The legend: swatch, stage, visitors, share of the base stage.
    const double shareWidth = fm.horizontalAdvance(QStringLiteral("100.0%")) + 4;
    const double totalWidth = fm.horizontalAdvance(QStringLiteral("0,000,000")) + 4;
    for (const int stage : stages) {
        if (y + rowHeight > area.bottom() + 2)
            break;
        const QRectF row(area.left(), y, area.width(), rowHeight);
        filters::drawStageSwatch(p, QRectF(row.left(), row.center().y() - 5, 10, 10), stage);
        const double nameRight = row.right() - shareWidth - totalWidth;
        const QRectF name(row.left() + 15, row.top(), nameRight - row.left() - 17, row.height());
        p.setPen(kInk);
        p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(stageName(stage), Qt::ElideRight, name.width()));
        p.drawText(QRectF(nameRight, row.top(), totalWidth, row.height()),
                   Qt::AlignRight | Qt::AlignVCenter, utf8(m_model.totalText(stage)));
        p.setPen(QColor(120, 126, 138));
        p.drawText(QRectF(row.right() - shareWidth, row.top(), shareWidth, row.height()),
                   Qt::AlignRight | Qt::AlignVCenter, utf8(m_model.shareText(stage)));
        y += rowHeight;
    }
}

void GraphCanvas::drawReadout(QPainter& p, const QRectF& plot, const QFontMetricsF& fm) const
{
    const auto b = static_cast<std::size_t>(m_hover);
    const double x = xOf(plot, b);
    p.setPen(QPen(QColor(120, 126, 138, 150), 1, Qt::DashLine));
    p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));

    // Its texts: the bucket's time, then one line per stage drawn.
    const std::uint32_t start = m_model.buckets().bucketStart(b);
    const auto days = static_cast<qint64>(start / 86400);
    const QDate date = QDate(1970, 1, 1).addDays(days);
    QString when = date.toString(QStringLiteral("yyyy/MM/dd"));
    if (m_model.buckets().length() < kDayBucket)
        when += QStringLiteral(" %1:00").arg((start % 86400) / 3600, 2, 10, QLatin1Char('0'));
    struct Line
    {
        int stage;
        QString text;
    };
    std::vector<Line> lines;
    const double top = m_model.scaleMax();
    for (const int stage : m_model.displayedStages()) {
        const std::optional<double> v = m_model.value(b, stage);
        QString text = !v ? QStringLiteral("-")
                       : m_model.state().percent
                           ? QString::number(*v, 'f', 1) + QLatin1Char('%')
                           : QLocale().toString(static_cast<qlonglong>(std::llround(*v)));
        lines.push_back({stage, text});
        if (v) {
            const QPointF dot(x, plot.bottom() - plot.height() * std::min(*v, top) / top);
            p.setPen(QPen(Qt::white, 1.5));
            p.setBrush(stageColour(stage));
            p.drawEllipse(dot, 3.5, 3.5);
        }
    }
    if (m_model.rankShown())
        if (const std::optional<double> r = m_model.rankAverage(b))
            lines.push_back({-1, QStringLiteral("Rank %1").arg(*r, 0, 'f', 1)});

    QFont bold = font();
    bold.setBold(true);
    double width = QFontMetricsF(bold).horizontalAdvance(when) + 2;
    for (const Line& l : lines)
        width = std::max(width, fm.horizontalAdvance(l.text) + 16);
    const double height = fm.height() * static_cast<double>(lines.size() + 1) + 10;
    QRectF box(x + 10, plot.top() + 4, width + 14, height);
    if (box.right() > plot.right())
        box.moveRight(x - 10);
    p.setPen(QPen(QColor(200, 204, 212), 1));
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(box, 5, 5);
    double y = box.top() + 5;
    p.setPen(kInk);
    p.setFont(bold);
    p.drawText(QRectF(box.left() + 7, y, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               when);
    p.setFont(font());
    for (const Line& l : lines) {
        y += fm.height();
        if (l.stage >= 0)
            filters::drawStageSwatch(p, QRectF(box.left() + 7, y + fm.height() / 2 - 4, 8, 8),
                                     l.stage);
        p.setPen(l.stage >= 0 ? kInk : kRankColour);
        p.drawText(QRectF(box.left() + 21, y, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   l.text);
    }
}

class GraphView final : public filters::ViewPane
{
  protected:
    QString title() const override { return QString::fromUtf8(kGraphTitle); }

    std::vector<filters::PaneButton> buttons() const override
    {
        return {filters::PaneButton(kCommandPercent, true, QStringLiteral("%")),
                filters::PaneButton(kCommandRank, true, QStringLiteral("Rank")),
                filters::PaneButton(filters::kCommandExport)};
    }

    std::uint32_t dependency() const override { return ~std::uint32_t{0}; }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        m_canvas = new GraphCanvas(&frame, m_model);
        return m_canvas;
    }

    void recompute(Window& self, store::LogContainer* log) override
    {
        QElapsedTimer timer;
        timer.start();
        m_model.state().source = source();
        QWidget* main = mainOf(self);
        if (!log) {
            m_model.close();
        } else {
            std::vector<GraphPane> panes;
            const std::vector<Window*> windows = filters::filterPanes(main);
            const std::vector<bool> bypassed = filters::bypassStates(main);
            for (std::size_t i = 0; i < windows.size(); ++i) {
                GraphPane pane;
                pane.label = filters::numberLabel(main, windows[i]->id()).toStdString();
                const std::optional<filters::Kind> kind =
                    filters::kindFromName(windows[i]->className());
                pane.title = kind ? filters::kindInfo(*kind).title : "";
                pane.bypassed = i < bypassed.size() && bypassed[i];
                pane.searchWord = kind == filters::Kind::SearchWord;
                panes.push_back(std::move(pane));
            }
            m_model.recompute(log->Visitors, std::move(panes),
                              [windows](std::uint32_t start, std::uint32_t length,
                                        std::span<filters::RankBucket> buckets) {
                                  filters::RankSeriesRequest request{buckets.data(), buckets.size(),
                                                                     start, length};
                                  for (Window* pane : windows)
                                      if (send(pane, UM_GETRANKSERIES, 0,
                                               reinterpret_cast<LParam>(&request)) == 1)
                                          return true;
                                  return false;
                              });
            platform::trace("refresh graph time=%d", static_cast<int>(timer.elapsed()));
        }
        showState(self);
    }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_COMMAND:
            return onCommand(self, loWord(wParam));
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NotifyHeader*>(lParam);
            if (header && header->code == TTN_GETDISPINFO) {
                auto* request = reinterpret_cast<ToolTipRequest*>(header);
                const char* tip = request->item == kCommandRank ? kRankTooltip
                                  : request->item == kCommandPercent
                                      ? kPercentTooltip
                                      : filters::tooltipOf(request->item);
                if (tip)
                    request->text = QString::fromUtf8(tip);
            }
            return 0;
        }
        case WM__GETVIEWSTATE:
            if (lParam) {
                m_model.state().source = source();
                reinterpret_cast<store::ViewState*>(lParam)->flags =
                    graphStateText(m_model.state());
            }
            return 0;
        case WM__SETVIEWSTATE:
            if (lParam) {
                GraphState state = m_model.state();
                state.source = source();
                applyGraphStateText(state,
                                    reinterpret_cast<const store::ViewState*>(lParam)->flags);
                m_model.state().percent = state.percent;
                if (state.source != source())
                    setSource(self, state.source); // recomputes from the new source
                showState(self);
            }
            return 0;
        case UM_LOGCLOSED:
            m_model.close();
            showState(self);
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

  private:
    Window* toolbar(Window& self) const { return child(&self, filters::kOwnToolbarId); }

    // The buttons and the canvas follow the model.
    void showState(Window& self)
    {
        m_model.state().source = source();
        if (Window* bar = toolbar(self)) {
            send(bar, TB_CHECKBUTTON, kCommandPercent, m_model.state().percent);
            send(bar, TB_CHECKBUTTON, kCommandRank, m_model.state().rank);
            send(bar, TB_ENABLEBUTTON, kCommandRank, m_model.rankEnabled());
        }
        if (m_canvas) {
            std::vector<QString> names;
            QWidget* main = mainOf(self);
            names.push_back(filters::numberLabel(main, IDW_PERIOD) + QStringLiteral(" 期間"));
            for (const GraphPane& pane : m_model.panes())
                names.push_back(QString::fromLatin1(pane.label.c_str()) + QLatin1Char(' ') +
                                QString::fromUtf8(pane.title.c_str()));
            m_canvas->setStageNames(std::move(names));
            m_canvas->update();
        }
    }

    LResult onCommand(Window& self, int id)
    {
        Window* bar = toolbar(self);
        switch (id) {
        case kCommandPercent:
            m_model.state().percent = bar && send(bar, TB_ISBUTTONCHECKED, kCommandPercent) != 0;
            showState(self);
            return 0;
        case kCommandRank:
            m_model.state().rank = bar && send(bar, TB_ISBUTTONCHECKED, kCommandRank) != 0;
            showState(self);
            return 0;
        case filters::kCommandExport:
            exportSeries(self);
            return 0;
        default:
            return 0;
        }
    }

    void exportSeries(Window& self)
    {
        const std::string path = filters::chooseExportPath(self.window());
        if (path.empty())
            return;
        m_model.state().source = source();
        if (const int rc = exportGraphCsv(path, m_model.csv()); rc != 0)
            QMessageBox::critical(self.window(), QString::fromLatin1(kExportGraphCaption),
                                  QString::fromUtf8(exportGraphFailedText(rc)));
    }

    GraphModel m_model;
    GraphCanvas* m_canvas = nullptr;
};

} // namespace

void registerGraphView()
{
    registerClass(
        kGraphViewClassName, [](void*) { return std::make_unique<GraphView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
}

} // namespace views
