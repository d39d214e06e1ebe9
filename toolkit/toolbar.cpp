// "WC_TOOLBAR": a wrapper window around a QToolBar that speaks the toolbar messages.

#include "toolkit/controls.h"

#include <QAction>
#include <QHelpEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStyleOptionToolButton>
#include <QToolTip>

namespace toolkit {

ToolbarButton::ToolbarButton(ToolbarControl* bar, const TbButton& button)
    : QToolButton(bar), m_bar(bar), m_data(button)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(bar->style() & TBSTYLE_FLAT);
    connect(this, &QToolButton::clicked, this, [this] { m_bar->buttonClicked(this); });
    applyState();
}

// Brings the widget in line with the button's data (text, style, state).
void ToolbarButton::applyState()
{
    setText(m_data.text);
    const bool hasImage = !icon().isNull();
    if (m_data.text.isEmpty())
        setToolButtonStyle(Qt::ToolButtonIconOnly);
    else if (!hasImage)
        setToolButtonStyle(Qt::ToolButtonTextOnly);
    else if (m_bar->style() & TBSTYLE_LIST)
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    else
        setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const bool dropDown = m_data.style & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN);
    if (dropDown && (m_bar->extendedStyle() & TBSTYLE_EX_DRAWDDARROWS) &&
        !(m_data.style & BTNS_WHOLEDROPDOWN))
        setPopupMode(QToolButton::MenuButtonPopup);
    else
        setPopupMode(QToolButton::DelayedPopup);
    setCheckable(m_data.style & BTNS_CHECK);
    setEnabled(m_data.state & TBSTATE_ENABLED);
    if (isCheckable())
        setChecked(m_data.state & TBSTATE_CHECKED);
    setDown(m_data.state & TBSTATE_PRESSED || (!isCheckable() && (m_data.state & TBSTATE_CHECKED)));
}

bool ToolbarButton::inDropDownPart(const QPoint& pos) const
{
    if (m_data.style & BTNS_WHOLEDROPDOWN)
        return true;
    if (!(m_data.style & BTNS_DROPDOWN))
        return false;
    if (popupMode() != QToolButton::MenuButtonPopup)
        return true; // without drawn arrows the whole button drops down
    QStyleOptionToolButton option;
    initStyleOption(&option);
    return QWidget::style()
        ->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this)
        .contains(pos);
}

void ToolbarButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && inDropDownPart(event->position().toPoint())) {
        setDown(true);
        repaint();
        ToolbarNotify note;
        note.hdr.code = TBN_DROPDOWN;
        note.item = m_data.command;
        note.button = geometry();
        m_bar->notify(note.hdr);
        setDown(false);
        event->accept();
        return;
    }
    QToolButton::mousePressEvent(event);
}

bool ToolbarButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        if (!(m_bar->style() & TBSTYLE_TOOLTIPS))
            return true;
        ToolTipRequest request;
        request.hdr.code = TTN_GETDISPINFO;
        request.item = m_data.command;
        m_bar->notify(request.hdr);
        if (request.text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), request.text, this);
        return true;
    }
    return QToolButton::event(event);
}

ToolbarControl::ToolbarControl(Window* wrapper, unsigned style)
    : QToolBar(wrapper), m_wrapper(wrapper), m_style(style)
{
    setMovable(false);
    setFloatable(false);
    setOrientation(style & CCS_VERT ? Qt::Vertical : Qt::Horizontal);
    setIconSize(m_imageSize);
    setContentsMargins(0, 0, 0, 0);
}

void ToolbarControl::paintEvent(QPaintEvent*)
{
    // No panel: the parent's background shows through the toolbar.
}

int ToolbarControl::commandToIndex(int command) const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const Slot& slot = m_buttons[i];
        const int cmd = slot.button ? slot.button->data().command : slot.separator.command;
        if (cmd == command)
            return static_cast<int>(i);
    }
    return -1;
}

ToolbarButton* ToolbarControl::buttonAt(int index) const
{
    if (index < 0 || index >= buttonCount())
        return nullptr;
    return m_buttons[static_cast<std::size_t>(index)].button;
}

QIcon ToolbarControl::image(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_images.size()))
        return {};
    return QIcon(m_images[static_cast<std::size_t>(index)]);
}

bool ToolbarControl::insertButton(int index, const TbButton& button)
{
    if (index < 0 || index > buttonCount())
        index = buttonCount();
    QAction* before =
        index < buttonCount() ? m_buttons[static_cast<std::size_t>(index)].action : nullptr;
    Slot slot;
    if (button.style & BTNS_SEP) {
        slot.separator = button;
        slot.action = before ? insertSeparator(before) : addSeparator();
        slot.action->setVisible(!(button.state & TBSTATE_HIDDEN));
    } else {
        slot.button = new ToolbarButton(this, button);
        slot.button->setIcon(image(button.image));
        slot.button->setIconSize(m_imageSize);
        slot.button->applyState();
        slot.action = before ? insertWidget(before, slot.button) : addWidget(slot.button);
        slot.action->setVisible(!(button.state & TBSTATE_HIDDEN));
    }
    m_buttons.insert(m_buttons.begin() + index, slot);
    return true;
}

void ToolbarControl::deleteButton(int index)
{
    Slot slot = m_buttons[static_cast<std::size_t>(index)];
    m_buttons.erase(m_buttons.begin() + index);
    removeAction(slot.action);
    delete slot.button;
}

void ToolbarControl::setButtonState(int command, unsigned char mask, bool on)
{
    ToolbarButton* button = buttonAt(commandToIndex(command));
    if (!button)
        return;
    unsigned char& state = button->data().state;
    state = on ? (state | mask) : (state & ~mask);
    button->applyState();
    m_buttons[static_cast<std::size_t>(commandToIndex(command))].action->setVisible(
        !(state & TBSTATE_HIDDEN));
}

void ToolbarControl::buttonClicked(ToolbarButton* button)
{
    TbButton& info = button->data();
    if (button->isCheckable()) {
        if ((info.style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) {
            // Radio behaviour within the run of neighbouring group buttons.
            const int at = commandToIndex(info.command);
            const auto inGroup = [this](int i) {
                ToolbarButton* b = buttonAt(i);
                return b && (b->data().style & BTNS_CHECKGROUP) == BTNS_CHECKGROUP;
            };
            for (int i = at - 1; inGroup(i); --i)
                buttonAt(i)->data().state &= ~TBSTATE_CHECKED, buttonAt(i)->applyState();
            for (int i = at + 1; inGroup(i); ++i)
                buttonAt(i)->data().state &= ~TBSTATE_CHECKED, buttonAt(i)->applyState();
            button->setChecked(true);
        }
        info.state =
            button->isChecked() ? (info.state | TBSTATE_CHECKED) : (info.state & ~TBSTATE_CHECKED);
    }
    send(m_wrapper, WM_COMMAND, makeWParam(info.command, 0), reinterpret_cast<LParam>(this));
}

LResult ToolbarControl::notify(NotifyHeader& header)
{
    header.from = this;
    header.id = 1;
    return send(m_wrapper, WM_NOTIFY, 1, reinterpret_cast<LParam>(&header));
}

LResult ToolbarControl::message(unsigned msg, WParam wParam, LParam lParam)
{
    const int command = static_cast<int>(wParam);
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    ToolbarButton* byCommand = buttonAt(commandToIndex(command));
    switch (msg) {
    case TB_ENABLEBUTTON:
        setButtonState(command, TBSTATE_ENABLED, lParam != 0);
        return byCommand ? 1 : 0;
    case TB_CHECKBUTTON:
        setButtonState(command, TBSTATE_CHECKED, lParam != 0);
        return byCommand ? 1 : 0;
    case TB_PRESSBUTTON:
        setButtonState(command, TBSTATE_PRESSED, lParam != 0);
        return byCommand ? 1 : 0;
    case TB_HIDEBUTTON:
        setButtonState(command, TBSTATE_HIDDEN, lParam != 0);
        return byCommand ? 1 : 0;
    case TB_ISBUTTONENABLED:
        return byCommand ? (byCommand->data().state & TBSTATE_ENABLED) != 0 : 0;
    case TB_ISBUTTONCHECKED:
        return byCommand ? (byCommand->data().state & TBSTATE_CHECKED) != 0 : 0;
    case TB_ISBUTTONPRESSED:
        return byCommand ? (byCommand->data().state & TBSTATE_PRESSED) != 0 : 0;
    case TB_ISBUTTONHIDDEN:
        return byCommand ? (byCommand->data().state & TBSTATE_HIDDEN) != 0 : 0;
    case TB_SETSTATE:
        if (!byCommand)
            return 0;
        byCommand->data().state = static_cast<unsigned char>(lParam);
        setButtonState(command, 0, true);
        return 1;
    case TB_GETSTATE:
        return byCommand ? byCommand->data().state : -1;
    case TB_ADDBITMAP: {
        if (!lParam)
            return -1;
        // One strip of images side by side; a strip drawn for a high-density screen keeps
        // its sharpness (sizes are in device-independent pixels).
        const QPixmap& strip = *reinterpret_cast<const QPixmap*>(lParam);
        const qreal ratio = strip.devicePixelRatio();
        const int w = qRound(m_imageSize.width() * ratio), h = qRound(m_imageSize.height() * ratio);
        const int first = static_cast<int>(m_images.size());
        const int fit = w > 0 ? strip.width() / w : 0;
        const int n = wParam ? std::min(static_cast<int>(wParam), fit) : fit;
        for (int i = 0; i < n; ++i) {
            QPixmap image = strip.copy(i * w, 0, w, h);
            image.setDevicePixelRatio(ratio);
            m_images.push_back(image);
        }
        for (const Slot& slot : m_buttons) {
            if (slot.button) {
                slot.button->setIcon(image(slot.button->data().image));
                slot.button->applyState();
            }
        }
        return first;
    }
    case TB_ADDBUTTONS:
    case TB_INSERTBUTTON: {
        if (!lParam)
            return 0;
        const auto* buttons = reinterpret_cast<const TbButton*>(lParam);
        if (msg == TB_INSERTBUTTON)
            return insertButton(index, *buttons) ? 1 : 0;
        for (WParam i = 0; i < wParam; ++i)
            insertButton(buttonCount(), buttons[i]);
        return 1;
    }
    case TB_DELETEBUTTON:
        if (index < 0 || index >= buttonCount())
            return 0;
        deleteButton(index);
        return 1;
    case TB_GETBUTTON: {
        if (index < 0 || index >= buttonCount() || !lParam)
            return 0;
        const Slot& slot = m_buttons[static_cast<std::size_t>(index)];
        *reinterpret_cast<TbButton*>(lParam) = slot.button ? slot.button->data() : slot.separator;
        return 1;
    }
    case TB_BUTTONCOUNT:
        return buttonCount();
    case TB_COMMANDTOINDEX:
        return commandToIndex(command);
    case TB_GETITEMRECT:
    case TB_GETRECT: {
        const int at = msg == TB_GETRECT ? commandToIndex(command) : index;
        if (at < 0 || at >= buttonCount() || !lParam)
            return 0;
        QWidget* widget = widgetForAction(m_buttons[static_cast<std::size_t>(at)].action);
        *reinterpret_cast<QRect*>(lParam) = widget ? widget->geometry() : QRect();
        return widget ? 1 : 0;
    }
    case TB_BUTTONSTRUCTSIZE:
        return 0;
    case TB_SETBUTTONSIZE:
        for (const Slot& slot : m_buttons)
            if (slot.button)
                slot.button->setMinimumSize(loWord(static_cast<WParam>(lParam)),
                                            hiWord(static_cast<WParam>(lParam)));
        return 1;
    case TB_SETBITMAPSIZE:
        m_imageSize =
            QSize(loWord(static_cast<WParam>(lParam)), hiWord(static_cast<WParam>(lParam)));
        setIconSize(m_imageSize);
        for (const Slot& slot : m_buttons)
            if (slot.button)
                slot.button->setIconSize(m_imageSize);
        return 1;
    case TB_AUTOSIZE:
        updateGeometry();
        return 0;
    case TB_CHANGEBITMAP:
        if (!byCommand)
            return 0;
        byCommand->data().image = static_cast<int>(lParam);
        byCommand->setIcon(image(static_cast<int>(lParam)));
        byCommand->applyState();
        return 1;
    case TB_GETBITMAP:
        return byCommand ? byCommand->data().image : 0;
    case TB_SETEXTENDEDSTYLE: {
        const unsigned old = m_exStyle;
        m_exStyle = static_cast<unsigned>(lParam);
        for (const Slot& slot : m_buttons)
            if (slot.button)
                slot.button->applyState();
        return old;
    }
    case TB_GETEXTENDEDSTYLE:
        return m_exStyle;
    default:
        return 0;
    }
}

void ToolbarWrapper::createInner()
{
    if (m_inner)
        return;
    m_inner = new ToolbarControl(this, style() | WS_VISIBLE);
    m_inner->setGeometry(rect());
    m_inner->show();
}

void ToolbarWrapper::resizeEvent(QResizeEvent* event)
{
    Window::resizeEvent(event);
    if (m_inner)
        m_inner->setGeometry(rect());
}

namespace {

// Stateless: every piece of state is the inner toolbar.
struct ToolbarHandler : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        auto& wrapper = static_cast<ToolbarWrapper&>(self);
        ToolbarControl* inner = wrapper.inner();
        switch (msg) {
        case WM_CREATE:
            wrapper.createInner();
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NotifyHeader*>(lParam);
            if (!header || header->from != inner)
                return defaultProc(self, msg, wParam, lParam);
            header->from = &self;
            header->id = self.id();
            return send(parentWindow(&self), WM_NOTIFY, static_cast<WParam>(self.id()), lParam);
        }
        case WM_COMMAND:
            return send(parentWindow(&self), WM_COMMAND, wParam, lParam);
        default:
            if (msg >= WM_USER)
                return inner ? inner->message(msg, wParam, lParam) : 0;
            return defaultProc(self, msg, wParam, lParam);
        }
    }
};

} // namespace

std::unique_ptr<Handler> makeToolbarHandler()
{
    return std::make_unique<ToolbarHandler>();
}

int idealToolbarWidth(Window* bar)
{
    auto* wrapper = qobject_cast<ToolbarWrapper*>(bar);
    ToolbarControl* inner = wrapper ? wrapper->inner() : nullptr;
    if (!inner)
        return 0;
    for (int i = 0; i < inner->buttonCount(); ++i)
        if (ToolbarButton* button = inner->buttonAt(i))
            button->ensurePolished();
    inner->layout()->invalidate();
    inner->layout()->activate();
    return inner->sizeHint().width();
}

} // namespace toolkit
