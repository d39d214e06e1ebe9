// "WC_COMBOBOX": a wrapper window around a QComboBox that speaks the combo box messages.

#include "toolkit/controls.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace toolkit {

// Draws and measures the items of an owner-drawn list by asking the wrapper's parent.
class ComboItemDelegate : public QStyledItemDelegate
{
  public:
    explicit ComboItemDelegate(ComboControl* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        unsigned state = 0;
        if (option.state & QStyle::State_Selected)
            state |= ODS_SELECTED;
        if (option.state & QStyle::State_HasFocus)
            state |= ODS_FOCUS;
        if (!(option.state & QStyle::State_Enabled))
            state |= ODS_DISABLED;
        m_combo->drawOwnerItem(*painter, index.row(), option.rect, state);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {option.rect.width(), m_combo->measure(index.row())};
    }

  private:
    ComboControl* m_combo;
};

namespace {

const QString* stringArg(LParam lParam)
{
    return reinterpret_cast<const QString*>(lParam);
}

} // namespace

ComboControl::ComboControl(Window* wrapper, unsigned style)
    : QComboBox(wrapper), m_wrapper(wrapper), m_style(style)
{
    const unsigned kind = style & 3;
    setEditable(kind == CBS_SIMPLE || kind == CBS_DROPDOWN);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (ownerDrawn())
        setItemDelegate(new ComboItemDelegate(this));
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) {
        notify(CBN_SELCHANGE);
        notify(CBN_SELENDOK);
    });
    if (QLineEdit* edit = lineEdit()) {
        connect(edit, &QLineEdit::textEdited, this, [this] {
            notify(CBN_EDITUPDATE);
            notify(CBN_EDITCHANGE);
        });
        // Enter in the edit field: code 0 (an address box goes to what was typed).
        connect(edit, &QLineEdit::returnPressed, this, [this] { notify(CBN_ENTER); });
    }
}

void ComboControl::notify(int code)
{
    send(m_wrapper, WM_COMMAND, makeWParam(1, code), reinterpret_cast<LParam>(this));
}

int ComboControl::measure(int index) const
{
    const bool variable = m_style & CBS_OWNERDRAWVARIABLE;
    if (!ownerDrawn())
        return m_itemHeight > 0 ? m_itemHeight : fontMetrics().height() + 4;
    if (!variable && m_itemHeight > 0)
        return m_itemHeight;
    MeasureItem item;
    item.ctlId = 1;
    item.itemId = variable ? index : 0;
    item.itemWidth = width();
    item.itemHeight = fontMetrics().height() + 2;
    if (variable && index >= 0 && index < count())
        item.itemData = itemData(index).toLongLong();
    send(m_wrapper, WM_MEASUREITEM, 1, reinterpret_cast<LParam>(&item));
    const int height = std::max(1, item.itemHeight);
    if (!variable)
        m_itemHeight = height;
    return height;
}

int ComboControl::itemHeight() const
{
    return measure(0);
}

void ComboControl::drawOwnerItem(QPainter& painter, int index, const QRect& rect, unsigned state)
{
    DrawItem item;
    item.ctlId = 1;
    item.itemId = index < count() ? index : -1;
    item.itemState = state;
    item.painter = &painter;
    item.rect = rect;
    if (item.itemId >= 0) {
        item.itemData = itemData(index).toLongLong();
        item.text = itemText(index);
    }
    painter.save();
    send(m_wrapper, WM_DRAWITEM, 1, reinterpret_cast<LParam>(&item));
    painter.restore();
}

void ComboControl::paintEvent(QPaintEvent* event)
{
    if (!ownerDrawn()) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    unsigned state = ODS_COMBOBOXEDIT;
    if (hasFocus() && !m_popupShown)
        state |= ODS_SELECTED | ODS_FOCUS;
    if (!isEnabled())
        state |= ODS_DISABLED;
    drawOwnerItem(painter, currentIndex(), field, state);
}

void ComboControl::showPopup()
{
    notify(CBN_DROPDOWN);
    m_popupShown = true;
    QComboBox::showPopup();
}

void ComboControl::hidePopup()
{
    QComboBox::hidePopup();
    if (m_popupShown) {
        m_popupShown = false;
        notify(CBN_CLOSEUP);
    }
}

void ComboControl::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    notify(CBN_SETFOCUS);
}

void ComboControl::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    notify(CBN_KILLFOCUS);
}

void ComboControl::setDroppedSize(const QSize& size)
{
    m_dropped = size;
    const int list = std::max(0, size.height() - kComboStripHeight);
    setMaxVisibleItems(std::max(1, list / std::max(1, itemHeight())));
    view()->setMinimumWidth(std::max(0, size.width()));
}

QRect ComboControl::droppedRect() const
{
    return QRect(m_wrapper->mapToGlobal(QPoint(0, 0)), m_dropped);
}

int ComboControl::insertSorted(const QString& text, LParam newData)
{
    const bool viaParent = ownerDrawn() && !(m_style & CBS_HASSTRINGS);
    int at = 0;
    for (; at < count(); ++at) {
        int order;
        if (viaParent) {
            CompareItem compare;
            compare.ctlId = 1;
            compare.itemId1 = at;
            compare.itemData1 = itemData(at).toLongLong();
            compare.itemId2 = -1;
            compare.itemData2 = newData;
            order = static_cast<int>(
                send(m_wrapper, WM_COMPAREITEM, 1, reinterpret_cast<LParam>(&compare)));
        } else {
            order = itemText(at).compare(text, Qt::CaseInsensitive);
        }
        if (order > 0)
            break;
    }
    insertItem(at, text, QVariant::fromValue<qlonglong>(newData));
    return at;
}

LResult ComboControl::message(unsigned msg, WParam wParam, LParam lParam)
{
    // Owner-drawn lists without strings take the item's value where others take a text.
    const bool dataItems = ownerDrawn() && !(m_style & CBS_HASSTRINGS);
    const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
    const auto inRange = [this](int i) { return i >= 0 && i < count(); };
    switch (msg) {
    case WM_SETTEXT:
        if (!isEditable())
            return CB_ERR;
        setEditText(lParam ? *stringArg(lParam) : QString());
        return 1;
    case WM_GETTEXT:
        if (lParam)
            *reinterpret_cast<QString*>(lParam) = currentText();
        return currentText().size();
    case WM_GETTEXTLENGTH:
        return currentText().size();
    case WM_SETFONT:
        if (lParam)
            setFont(*reinterpret_cast<const QFont*>(lParam));
        m_itemHeight = -1;
        return 0;
    case WM_GETFONT:
        if (lParam)
            *reinterpret_cast<QFont*>(lParam) = font();
        return 1;
    case CB_LIMITTEXT:
        if (QLineEdit* edit = lineEdit())
            edit->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
        return 1;
    case CB_GETEDITSEL: {
        const QLineEdit* edit = lineEdit();
        if (!edit)
            return CB_ERR;
        const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        const int end = edit->hasSelectedText() ? edit->selectionEnd() : start;
        return makeLParam(start, end);
    }
    case CB_SETEDITSEL: {
        QLineEdit* edit = lineEdit();
        if (!edit)
            return CB_ERR;
        const int start = static_cast<std::int16_t>(loWord(static_cast<WParam>(lParam)));
        const int end = static_cast<std::int16_t>(hiWord(static_cast<WParam>(lParam)));
        if (start < 0)
            edit->deselect();
        else
            edit->setSelection(start, (end < 0 ? edit->text().size() : end) - start);
        return 1;
    }
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        const QString text = dataItems || !lParam ? QString() : *stringArg(lParam);
        const LParam itemData = dataItems ? lParam : 0;
        if (msg == CB_ADDSTRING && (m_style & CBS_SORT))
            return insertSorted(text, itemData);
        int at = msg == CB_ADDSTRING || index < 0 ? count() : index;
        if (at > count())
            return CB_ERR;
        insertItem(at, text, QVariant::fromValue<qlonglong>(itemData));
        return at;
    }
    case CB_DELETESTRING:
        if (!inRange(index))
            return CB_ERR;
        removeItem(index);
        return count();
    case CB_DIR:
        return CB_ERR;
    case CB_GETCOUNT:
        return count();
    case CB_GETCURSEL:
        return currentIndex();
    case CB_SETCURSEL:
        if (!inRange(index)) {
            setCurrentIndex(-1);
            return CB_ERR;
        }
        setCurrentIndex(index);
        return index;
    case CB_GETLBTEXT:
        if (!inRange(index))
            return CB_ERR;
        if (lParam)
            *reinterpret_cast<QString*>(lParam) = itemText(index);
        return itemText(index).size();
    case CB_GETLBTEXTLEN:
        return inRange(index) ? itemText(index).size() : CB_ERR;
    case CB_RESETCONTENT:
        clear();
        return 0;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        const int n = count();
        const int first = inRange(index) ? index + 1 : 0;
        for (int k = 0; k < n; ++k) {
            const int i = (first + k) % n;
            bool match;
            if (dataItems)
                match = itemData(i).toLongLong() == lParam;
            else if (!lParam)
                match = false;
            else if (msg == CB_FINDSTRINGEXACT)
                match = itemText(i).compare(*stringArg(lParam), Qt::CaseInsensitive) == 0;
            else
                match = itemText(i).startsWith(*stringArg(lParam), Qt::CaseInsensitive);
            if (match) {
                if (msg == CB_SELECTSTRING)
                    setCurrentIndex(i);
                return i;
            }
        }
        return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            showPopup();
        else
            hidePopup();
        return 1;
    case CB_GETITEMDATA:
        return inRange(index) ? static_cast<LParam>(itemData(index).toLongLong()) : CB_ERR;
    case CB_SETITEMDATA:
        if (!inRange(index))
            return CB_ERR;
        setItemData(index, QVariant::fromValue<qlonglong>(lParam));
        return 1;
    case CB_GETDROPPEDCONTROLRECT:
        if (lParam)
            *reinterpret_cast<QRect*>(lParam) = droppedRect();
        return 1;
    case CB_SETITEMHEIGHT:
        if (lParam <= 0)
            return CB_ERR;
        m_itemHeight = static_cast<int>(lParam);
        setDroppedSize(m_dropped);
        update();
        return 0;
    case CB_GETITEMHEIGHT:
        return itemHeight();
    case CB_GETDROPPEDSTATE:
        return m_popupShown ? 1 : 0;
    case CB_GETDROPPEDWIDTH:
        return std::max(view()->minimumWidth(), m_wrapper->width());
    case CB_SETDROPPEDWIDTH:
        view()->setMinimumWidth(static_cast<int>(wParam));
        return static_cast<LResult>(wParam);
    case CB_INITSTORAGE:
        return count() + static_cast<int>(wParam);
    default:
        return 0;
    }
}

void ComboWrapper::createInner()
{
    if (m_inner)
        return;
    m_inner = new ComboControl(this, style() | WS_VISIBLE);
    m_inner->setGeometry(0, 0, width(), kComboStripHeight);
    m_inner->show();
}

QRect ComboWrapper::positionChanging(const QRect& proposed)
{
    if (proposed.size() == size() && proposed.height() == kComboStripHeight)
        return proposed;
    if (m_inner)
        m_inner->setDroppedSize(proposed.size());
    return QRect(proposed.topLeft(), QSize(proposed.width(), kComboStripHeight));
}

void ComboWrapper::resizeEvent(QResizeEvent* event)
{
    Window::resizeEvent(event);
    if (height() != kComboStripHeight) {
        // Placed without setWindowPos: the requested height still becomes the list's.
        setGeometry(positionChanging(geometry()));
        return;
    }
    if (m_inner)
        m_inner->setGeometry(0, 0, width(), kComboStripHeight);
}

namespace {

// Stateless: every piece of state is the inner combo box.
struct ComboHandler : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        auto& wrapper = static_cast<ComboWrapper&>(self);
        ComboControl* inner = wrapper.inner();
        switch (msg) {
        case WM_CREATE:
            wrapper.createInner();
            self.setStyle(self.style() & ~WS_VSCROLL);
            return 0;
        case WM_SETTEXT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_SETFONT:
        case WM_GETFONT:
            return inner ? inner->message(msg, wParam, lParam) : 0;
        case WM_DRAWITEM:
            reinterpret_cast<DrawItem*>(lParam)->ctlId = self.id();
            return send(parentWindow(&self), msg, static_cast<WParam>(self.id()), lParam);
        case WM_MEASUREITEM:
            reinterpret_cast<MeasureItem*>(lParam)->ctlId = self.id();
            return send(parentWindow(&self), msg, static_cast<WParam>(self.id()), lParam);
        case WM_COMPAREITEM:
            reinterpret_cast<CompareItem*>(lParam)->ctlId = self.id();
            return send(parentWindow(&self), msg, static_cast<WParam>(self.id()), lParam);
        case WM_COMMAND:
            if (inner && lParam == reinterpret_cast<LParam>(inner))
                return send(parentWindow(&self), WM_COMMAND, makeWParam(self.id(), hiWord(wParam)),
                            reinterpret_cast<LParam>(&self));
            return defaultProc(self, msg, wParam, lParam);
        default:
            if (msg >= CB_GETEDITSEL && msg <= CB_INITSTORAGE)
                return inner ? inner->message(msg, wParam, lParam) : CB_ERR;
            return defaultProc(self, msg, wParam, lParam);
        }
    }
};

} // namespace

std::unique_ptr<Handler> makeComboHandler()
{
    return std::make_unique<ComboHandler>();
}

} // namespace toolkit
