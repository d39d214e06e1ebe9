#include "views/chooser_control.h"

#include "filters/chain.h"
#include "filters/pane_frame.h"
#include "platform/codepage.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace views {

using namespace toolkit;

void ChooserControl::create(QWidget* parent, const QRect& place)
{
    m_window = toolkit::create(kComboBoxClass, parent, kChooserId, place, nullptr,
                               WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VSCROLL);
}

void ChooserControl::show(const PageChooser& chooser, QWidget* main)
{
    if (!m_window)
        return;
    m_filling = true;
    send(m_window, CB_RESETCONTENT);
    m_groupNames.assign(chooser.size(), false);
    for (std::size_t i = 0; i < chooser.size(); ++i) {
        const char* text = chooser.entry(i);
        m_groupNames[i] = text && send(qobject_cast<Window*>(main), UM_ISGROUPNAME, 0,
                                       reinterpret_cast<LParam>(text)) != 0;
        send(m_window, CB_ADDSTRING, 0, static_cast<LParam>(i));
    }
    send(m_window, CB_SETCURSEL, static_cast<WParam>(chooser.chosen()));
    m_filling = false;
}

bool ChooserControl::measure(MeasureItem& item) const
{
    if (item.ctlId != kChooserId)
        return false;
    item.itemHeight = 18;
    return true;
}

bool ChooserControl::draw(const DrawItem& item, const PageChooser& chooser) const
{
    if (item.ctlId != kChooserId || !item.painter)
        return false;
    if (item.itemId < 0)
        return true;
    QPainter& p = *item.painter;
    const auto index = static_cast<std::size_t>(item.itemData);
    const char* text = chooser.entry(index);
    const bool group = index < m_groupNames.size() && m_groupNames[index];
    const EntryKind kind = index == 0 ? EntryKind::All : entryKindOf(text, group);
    const bool selected = (item.itemState & ODS_SELECTED) && !(item.itemState & ODS_COMBOBOXEDIT);
    p.fillRect(item.rect,
               selected ? QApplication::palette().highlight().color() : QColor(Qt::white));
    const QPixmap icon = entryIcon(kind);
    p.drawPixmap(item.rect.left() + 3, item.rect.top() + (item.rect.height() - 14) / 2, icon);
    const QRect textRect = item.rect.adjusted(22, 0, -3, 0);
    p.setPen(selected ? QApplication::palette().highlightedText().color()
                      : filters::fromBgr(entryColour(kind)));
    const QString label = index == 0 ? QString::fromUtf8(kAllEntryText) : toolkit::fromCp932(text);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(label, Qt::ElideRight, textRect.width()));
    return true;
}

int ChooserControl::chosenIndex() const
{
    if (!m_window || m_filling)
        return -1;
    return static_cast<int>(send(m_window, CB_GETCURSEL));
}

bool ChooserControl::takeChoice(PageChooser& chooser) const
{
    const int chosen = chosenIndex();
    return chosen >= 0 && chosen != chooser.chosen() &&
           chooser.choose(static_cast<std::size_t>(chosen));
}

bool ChooserControl::handle(toolkit::Window& pane, unsigned msg, toolkit::WParam wParam,
                            toolkit::LParam lParam, PageChooser& chooser,
                            toolkit::LResult& result) const
{
    using namespace toolkit;
    result = 0;
    switch (msg) {
    case WM_MEASUREITEM:
        result = measure(*reinterpret_cast<MeasureItem*>(lParam)) ? 1 : 0;
        return result != 0;
    case WM_DRAWITEM:
        result = draw(*reinterpret_cast<DrawItem*>(lParam), chooser) ? 1 : 0;
        return result != 0;
    case WM_COMMAND:
        if (loWord(wParam) != kChooserId || hiWord(wParam) != CBN_SELCHANGE)
            return false;
        if (takeChoice(chooser))
            command(&pane, ID_REFRESH, filters::kRefreshSelfOnly);
        return true;
    default:
        return false;
    }
}

QPixmap entryIcon(EntryKind kind)
{
    QPixmap pixmap = toolkit::blankPixmap(QSize(14, 14));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = filters::fromBgr(entryColour(kind));
    const bool group = kind == EntryKind::PageGroup || kind == EntryKind::OutsideGroup;
    switch (kind) {
    case EntryKind::All:
        p.setPen(QPen(QColor(90, 90, 90), 1.2));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(2.5, 3.5 + 3.5 * i), QPointF(11.5, 3.5 + 3.5 * i));
        break;
    case EntryKind::Page:
    case EntryKind::PageGroup: {
        // A sheet with a folded corner; a second one behind it for a group.
        if (group) {
            p.setPen(QPen(colour.lighter(140), 1));
            p.setBrush(QColor(240, 248, 240));
            p.drawRect(QRectF(4.5, 0.5, 8, 10));
        }
        QPainterPath sheet;
        sheet.moveTo(2.5, 2.5);
        sheet.lineTo(7.5, 2.5);
        sheet.lineTo(10.5, 5.5);
        sheet.lineTo(10.5, 13.5);
        sheet.lineTo(2.5, 13.5);
        sheet.closeSubpath();
        p.setPen(QPen(colour, 1));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.drawLine(QPointF(7.5, 2.5), QPointF(7.5, 5.5));
        p.drawLine(QPointF(7.5, 5.5), QPointF(10.5, 5.5));
        break;
    }
    case EntryKind::Outside:
    case EntryKind::OutsideGroup:
        // A globe; a ring around it for a group.
        p.setPen(QPen(colour, 1));
        p.setBrush(QColor(235, 240, 255));
        p.drawEllipse(QRectF(2, 2, 10, 10));
        p.drawLine(QPointF(2, 7), QPointF(12, 7));
        p.drawEllipse(QRectF(4.5, 2, 5, 10));
        if (group) {
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
        }
        break;
    case EntryKind::Other:
        p.setPen(QPen(colour, 1));
        p.drawEllipse(QRectF(4, 4, 6, 6));
        break;
    }
    return pixmap;
}

} // namespace views
