// "WC_LOUPE": a magnifier over the screen around the mouse pointer.

#include "toolkit/controls.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace toolkit {
namespace {
constexpr int kRefreshTimer = 1;
constexpr int kRefreshMillis = 100;
} // namespace

Loupe::Loupe(QWidget* parent) : DraggableWindow(parent)
{
    setCursor(Qt::SizeAllCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect Loupe::sourceRect(const QPoint& pointer, const QSize& inner)
{
    return QRect(pointer.x() - inner.width() / 4, pointer.y() - inner.height() / 4,
                 inner.width() / 2, inner.height() / 2);
}

void Loupe::refresh()
{
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (inner.isEmpty() || !isVisible())
        return;
    // Over the program's own windows their contents are drawn again (that works on every
    // platform, Wayland too); elsewhere on the desktop the screen is grabbed where the
    // platform allows it. A grab of the program's window paints this loupe as well: it
    // shows its last picture then.
    const QPoint pointer = QCursor::pos();
    const QRect source = sourceRect(pointer, inner.size());
    QPixmap shot;
    if (QWidget* top = QApplication::topLevelAt(pointer)) {
        m_grabbing = true;
        shot = top->grab(QRect(top->mapFromGlobal(source.topLeft()), source.size()));
        m_grabbing = false;
    } else {
        QScreen* screen = QGuiApplication::screenAt(pointer);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect local = source.translated(-screen->geometry().topLeft());
            shot = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
        }
    }
    m_shot = shot;
    update();
}

void Loupe::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (inner.isEmpty())
        return;
    if (m_shot.isNull() || m_grabbing)
        painter.fillRect(inner, palette().window());
    else
        painter.drawPixmap(inner, m_shot);
}

namespace {

struct LoupeHandler : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            self.setTimer(kRefreshTimer, kRefreshMillis);
            return 0;
        case WM_TIMER:
            if (auto* loupe = dynamic_cast<Loupe*>(&self);
                loupe && static_cast<int>(wParam) == kRefreshTimer)
                loupe->refresh();
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }
};

} // namespace

std::unique_ptr<Handler> makeLoupeHandler()
{
    return std::make_unique<LoupeHandler>();
}

} // namespace toolkit
