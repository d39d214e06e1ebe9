#include "toolkit/stat_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace toolkit {
namespace {

constexpr qsizetype kTipLineMax = 110; // characters of one line of a cell's tooltip

} // namespace

void ListOwner::drawCell(QPainter& painter, int row, int subitem, const CellState& state,
                         const QRect& rect, Qt::Alignment alignment) const
{
    const QPalette palette;
    if (state.selected)
        painter.fillRect(rect, palette.color(QPalette::Highlight));
    painter.setPen(palette.color(state.selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect text = rect.adjusted(3, 0, -3, 0);
    const QString elided =
        painter.fontMetrics().elidedText(cellText(row, subitem), Qt::ElideRight, text.width());
    painter.drawText(text, static_cast<int>(alignment | Qt::AlignVCenter), elided);
}

void drawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                  const QString& text, const CellState& state, Qt::TextElideMode elide)
{
    const QRect inner = rect.adjusted(3, 0, -3, 0);
    painter.drawText(inner, static_cast<int>(alignment | Qt::AlignVCenter),
                     painter.fontMetrics().elidedText(text, elide, inner.width()));
    if (state.focused && state.listFocused) {
        // Light on the dark fill of a selected row, the selection colour on a plain one.
        const QColor ink =
            state.selected ? QColor(Qt::white) : QApplication::palette().highlight().color();
        painter.setPen(QPen(ink, 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

StatListModel::StatListModel(StatList* list, ListOwner* owner)
    : QAbstractTableModel(list), m_list(list), m_owner(owner)
{
}

int StatListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int StatListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant StatListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_owner->cellText(index.row(), index.column());
    case Qt::ToolTipRole: {
        // Plain text: a tip made of logged texts must never be read as markup. Its lines
        // stay whole (a tip's own wrapping makes a narrow column), long ones elided.
        const QString tip = m_owner->cellTip(index.row(), index.column());
        if (tip.isEmpty())
            return {};
        QStringList lines = tip.split(QLatin1Char('\n'));
        for (QString& line : lines)
            if (line.size() > kTipLineMax)
                line = line.left(kTipLineMax - 1) + QChar(0x2026);
        return QStringLiteral("<p style=\"white-space:pre\">%1</p>")
            .arg(lines.join(QLatin1Char('\n')).toHtmlEscaped());
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[static_cast<std::size_t>(index.column())].alignment |
                                   Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant StatListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const ListColumn& column = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && !column.tip.isEmpty())
        return column.tip;
    return {};
}

void StatListModel::setColumns(std::vector<ListColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

void StatListModel::setRows(int rows)
{
    rows = std::max(0, rows);
    if (rows == m_rows) {
        refresh();
        return;
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void StatListModel::refresh()
{
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

StatListDelegate::StatListDelegate(StatList* list, ListOwner* owner)
    : QStyledItemDelegate(list), m_list(list), m_owner(owner)
{
}

void StatListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    if (index.row() >= m_list->rowCount())
        return;
    CellState state;
    state.selected = option.state & QStyle::State_Selected;
    state.focused = option.state & QStyle::State_HasFocus;
    state.listFocused = m_list->hasFocus();
    state.enabled = option.state & QStyle::State_Enabled;
    const auto& columns = m_list->columns();
    const Qt::Alignment alignment =
        index.column() < static_cast<int>(columns.size())
            ? columns[static_cast<std::size_t>(index.column())].alignment
            : Qt::AlignLeft;
    painter->save();
    m_owner->drawCell(*painter, index.row(), index.column(), state, option.rect, alignment);
    painter->restore();
}

QSize StatListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const auto& columns = m_list->columns();
    const int width = index.column() < static_cast<int>(columns.size())
                          ? columns[static_cast<std::size_t>(index.column())].width
                          : 50;
    return {width, StatList::kRowHeight};
}

StatList::StatList(QWidget* parent, ListOwner* owner, int id)
    : QTableView(parent), m_owner(owner), m_model(new StatListModel(this, owner)), m_id(id)
{
    setModel(m_model);
    setItemDelegate(new StatListDelegate(this, owner));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(true);
    // Tab leaves the list (the main window moves it on to the next pane); it never walks
    // the cells, which would move the selection every few presses.
    setTabKeyNavigation(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int logical) { clickColumn(logical); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { notify(NM_DBLCLK, index.row(), index.column()); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { notify(LVN_ITEMCHANGED, focusedRow(), -1); });
}

void StatList::notify(int code, int row, int subitem)
{
    ListNotify note;
    note.hdr.from = this;
    note.hdr.id = m_id;
    note.hdr.code = code;
    note.row = row;
    note.subitem = subitem;
    send(parentWindow(this), WM_NOTIFY, static_cast<WParam>(m_id), reinterpret_cast<LParam>(&note));
}

void StatList::setColumns(std::vector<ListColumn> columns, const std::vector<int>& displayOrder)
{
    m_model->setColumns(std::move(columns));
    QHeaderView* header = horizontalHeader();
    const auto& cols = m_model->columns();
    for (std::size_t i = 0; i < cols.size(); ++i)
        header->resizeSection(static_cast<int>(i), cols[i].width);
    fitColumns();
    for (std::size_t visual = 0; visual < displayOrder.size(); ++visual) {
        const int logical = displayOrder[visual];
        if (logical >= 0 && logical < static_cast<int>(cols.size()))
            header->moveSection(header->visualIndex(logical), static_cast<int>(visual));
    }
}

std::vector<int> StatList::displayOrder() const
{
    std::vector<int> order;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual)
        order.push_back(header->logicalIndex(visual));
    return order;
}

void StatList::setRowCount(int rows)
{
    m_model->setRows(rows);
    fitColumns();
}

void StatList::refresh()
{
    m_model->refresh();
    fitColumns();
    viewport()->update();
}

void StatList::fitColumns()
{
    // Enough rows to meet the widest numbers of a list; a long list is sampled evenly.
    constexpr int kSampled = 2000;
    const auto& cols = m_model->columns();
    const int rows = m_model->rowCount();
    const int step = std::max(1, rows / kSampled);
    const QFontMetrics cells(font());
    const QFontMetrics titles(horizontalHeader()->font());
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int arrow = style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, this) + margin;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        if (!(cols[c].alignment & Qt::AlignRight))
            continue; // names and addresses are elided; numbers must show whole
        const int subitem = static_cast<int>(c);
        int need = titles.horizontalAdvance(cols[c].title) + margin + arrow;
        for (int row = 0; row < rows; row += step)
            need = std::max(need, cells.horizontalAdvance(m_owner->cellText(row, subitem)) + 8);
        if (rows > 0)
            need =
                std::max(need, cells.horizontalAdvance(m_owner->cellText(rows - 1, subitem)) + 8);
        if (horizontalHeader()->sectionSize(subitem) < need)
            horizontalHeader()->resizeSection(subitem, need);
    }
}

unsigned StatList::nextSortType(unsigned current, int subitem)
{
    const unsigned base = static_cast<unsigned>(subitem) * 2;
    return (current & ~1u) == base ? (current ^ 1u) : base;
}

void StatList::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const int x = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(x);
}

void StatList::clickColumn(int subitem)
{
    if (subitem < 0 || subitem >= m_model->columnCount())
        return;
    setSortType(nextSortType(m_sortType, subitem));
    m_owner->sortRows(m_sortType);
    refresh();
    notify(LVN_COLUMNCLICK, -1, subitem);
}

void StatList::setSortType(unsigned type)
{
    m_sortType = type;
    horizontalHeader()->setSortIndicator(static_cast<int>(type / 2), m_owner->sortOrder(type));
}

QModelIndex StatList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const int rows = m_model->rowCount();
    const int column = std::max(0, currentIndex().column());
    if (action == MoveHome && rows > 0)
        return m_model->index(0, column);
    if (action == MoveEnd && rows > 0)
        return m_model->index(rows - 1, column);
    return QTableView::moveCursor(action, modifiers);
}

std::vector<int> StatList::selectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void StatList::setSelectedRows(const std::vector<int>& rows)
{
    std::vector<int> sorted;
    for (int row : rows)
        if (row >= 0 && row < rowCount())
            sorted.push_back(row);
    std::sort(sorted.begin(), sorted.end());
    QItemSelection selection;
    const int last = m_model->columnCount() - 1;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] <= sorted[j] + 1)
            ++j;
        if (last >= 0)
            selection.select(m_model->index(sorted[i], 0), m_model->index(sorted[j], last));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void StatList::selectAllRows()
{
    selectAll();
}

void StatList::clearSelectedRows()
{
    selectionModel()->clearSelection();
}

int StatList::focusedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void StatList::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update(); // the selection colour depends on the focus
}

void StatList::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

} // namespace toolkit
