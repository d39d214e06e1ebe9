#include "mainwin/status_bar.h"

#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace mainwin {
namespace {

using namespace toolkit;

constexpr int kHeight = 22;

class StatusBar final : public Window
{
  public:
    explicit StatusBar(QWidget* parent) : Window(parent)
    {
        // The texts come from other windows and change on their own: look twice a second.
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            const auto [host, view] = texts();
            if (host != m_host || view != m_view)
                update();
        });
        timer->start(500);
    }
    ~StatusBar() override { sendDestroy(); }
    QSize sizeHint() const override { return QSize(200, kHeight); }

  protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            if (help->pos().x() < statusParts(width()).ends[0]) {
                QToolTip::showText(help->globalPos(), hostPartTip(), this);
                return true;
            }
        }
        return Window::event(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const auto [host, view] = texts();
        m_host = host;
        m_view = view;
        const StatusParts parts = statusParts(width());
        const QColor face = palette().color(QPalette::Button);
        const QColor light(238, 238, 238);
        int left = 0;
        for (int part = 0; part < 3; ++part) {
            const QRect r(left, 0, parts.ends[part] - left, height());
            if (part == 2) {
                QLinearGradient g(r.left(), 0, r.right(), 0);
                g.setColorAt(0, light);
                g.setColorAt(1, face);
                p.fillRect(r, g);
            } else {
                QLinearGradient g(0, r.top(), 0, r.bottom());
                g.setColorAt(0, face);
                g.setColorAt(1, light);
                p.fillRect(r, g);
            }
            p.setPen(face.darker(125));
            p.drawLine(r.topLeft(), r.topRight());
            if (part < 2)
                p.drawLine(r.right(), r.top() + 3, r.right(), r.bottom() - 3);
            if (part == 0) {
                drawHostPart(p, r, host);
            } else if (part == 1 && !view.isEmpty()) {
                p.setPen(palette().color(QPalette::WindowText));
                p.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           fontMetrics().elidedText(view, Qt::ElideRight, r.width() - 6));
            }
            left = parts.ends[part];
        }
    }

  private:
    // The host-name cache window's text and the main view's status text.
    std::pair<QString, QString> texts() const
    {
        QString host, view;
        QWidget* main = parentWidget();
        send(child(child(main, IDW_STORE), IDW_HOSTCACHE), WM_GETTEXT, 0,
             reinterpret_cast<LParam>(&host));
        if (const auto* text = reinterpret_cast<const QString*>(
                send(child(main, IDW_VIEW_FIRST), UM_GETSTATUSTEXT)))
            view = *text;
        return {host, view};
    }

    Window* hostCache() const { return child(child(parentWidget(), IDW_STORE), IDW_HOSTCACHE); }

    void drawHostPart(QPainter& p, const QRect& r, const QString& cacheText)
    {
        bool busy = false;
        const QString text = hostPartText(cacheText, &busy);
        const QRectF lamp(r.left() + 4, r.top() + 3, 3, r.height() - 7);
        QLinearGradient g(0, lamp.top(), 0, lamp.bottom());
        if (send(hostCache(), UM_ISNAMESOFFLINE)) { // names cannot be looked up: a red lamp
            g.setColorAt(0, QColor(255, 140, 120));
            g.setColorAt(1, QColor(190, 30, 20));
        } else {
            g.setColorAt(0, busy ? QColor(128, 255, 128) : QColor(0, 128, 0));
            g.setColorAt(1, busy ? QColor(0, 255, 0) : QColor(0, 0, 0));
        }
        p.fillRect(lamp, g);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(r.left() + 10, r.top(), r.width() - 12, r.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(text, Qt::ElideRight, r.width() - 12));
    }

    // The host-name part's tooltip: what the lookups are doing, or why they cannot.
    QString hostPartTip() const;

    QString m_host, m_view;
};

} // namespace

StatusParts statusParts(int width)
{
    return {{140, width - 200, width}};
}

QString StatusBar::hostPartTip() const
{
    Window* cache = hostCache();
    if (!cache)
        return QStringLiteral("ホスト名: 解析ログが開かれていません");
    if (send(cache, UM_ISNAMESOFFLINE))
        return QStringLiteral("ホスト名を調べられません: この計算機では名前解決 (DNS) が"
                              "使えません。キャッシュにある名前だけが表示されます。");
    return QStringLiteral("ホスト名の検索: 残り/ホスト数、または名前の分かった割合");
}

QString hostPartText(const QString& cacheText, bool* busy)
{
    if (busy)
        *busy = cacheText.startsWith(QLatin1Char('*'));
    return QStringLiteral("DNS ") + cacheText.mid(1);
}

void registerStatusBar()
{
    registerClass(
        "msctls_statusbar32", [](void*) { return std::unique_ptr<Handler>(); },
        [](QWidget* parent) { return new StatusBar(parent); });
}

} // namespace mainwin
