// "WC_SEPARATOR": the splitter bar between the main window's columns.

#include "toolkit/controls.h"

#include <QMouseEvent>
#include <QMoveEvent>
#include <algorithm>

namespace toolkit {

Separator::Separator(QWidget* parent) : DraggableWindow(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    updateCursor();
}

void Separator::updateCursor()
{
    setCursor(horizontal() ? Qt::SizeVerCursor : Qt::SizeHorCursor);
}

void Separator::moveEvent(QMoveEvent* event)
{
    Window::moveEvent(event);
    send(parentWindow(this), WM_SIZE, 0, 0);
}

void DraggableWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        Window::mousePressEvent(event);
        return;
    }
    m_grab = event->position().toPoint();
    m_dragging = true;
    event->accept();
}

void DraggableWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        dragTo(mapToParent(event->position().toPoint()) - m_grab);
    event->accept();
}

void DraggableWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

void Separator::dragTo(const QPoint& wanted)
{
    // The bar keeps to its axis: a vertical bar moves left and right only.
    QPoint to = horizontal() ? QPoint(x(), wanted.y()) : QPoint(wanted.x(), y());
    if (const QWidget* parent = parentWidget()) {
        to.setX(std::clamp(to.x(), 0, std::max(0, parent->width() - width())));
        to.setY(std::clamp(to.y(), 0, std::max(0, parent->height() - height())));
        if (horizontal())
            to.setX(x());
        else
            to.setY(y());
    }
    if (to != pos())
        move(to);
}

namespace {

struct SeparatorHandler : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        if (msg == WM_CREATE) {
            static_cast<Separator&>(self).updateCursor();
            return 0;
        }
        return defaultProc(self, msg, wParam, lParam);
    }
};

} // namespace

std::unique_ptr<Handler> makeSeparatorHandler()
{
    return std::make_unique<SeparatorHandler>();
}

} // namespace toolkit
