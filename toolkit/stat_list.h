#pragma once

// The statistics list: a report-style list in virtual mode. It holds no rows: the model
// asks its owner (the pane) for the row texts, the delegate asks the owner to draw each
// cell, and sorting is the owner's, on its own row array. Rows have a fixed height, the
// user reorders columns by dragging their headers, and clicking a header changes the sort
// type (subitem * 2 + direction) by the rule every list shares.
//
// Notifications go to the nearest Window above the list as WM_NOTIFY with a ListNotify:
// LVN_ITEMCHANGED when the selection changed, LVN_COLUMNCLICK after a header click has
// re-sorted the rows, NM_DBLCLK on a double click.

#include "toolkit/window.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <vector>

namespace toolkit {

struct ListColumn
{
    QString title;
    int width = 50;
    Qt::Alignment alignment = Qt::AlignLeft;
    QString tip = {}; // what the header's tooltip says of a terse title
};

struct CellState
{
    bool selected = false;
    bool focused = false;     // the row has the focus rectangle
    bool listFocused = false; // the list has the keyboard focus
    bool enabled = true;
};

struct ListNotify
{
    NotifyHeader hdr;
    int row = -1;
    int subitem = -1;
};

// What a list asks of its owner.
class ListOwner
{
  public:
    virtual ~ListOwner() = default;
    // The text of a cell; rows at or past the current count are never asked for.
    virtual QString cellText(int row, int subitem) const = 0;
    // The tooltip of a cell, plain text; empty for none.
    virtual QString cellTip(int, int) const { return {}; }
    // Draws a cell (background, lines and text). The default fills selected rows with the
    // palette's highlight and draws the text inset by 3 pixels, elided.
    virtual void drawCell(QPainter& painter, int row, int subitem, const CellState& state,
                          const QRect& rect, Qt::Alignment alignment) const;
    // Sorts the owner's rows in place by the sort type.
    virtual void sortRows(unsigned sortType) = 0;
    // Which way a sort type runs, for the header's arrow: sort type = subitem * 2 +
    // direction, direction 1 descending unless the owner says otherwise.
    virtual Qt::SortOrder sortOrder(unsigned sortType) const
    {
        return sortType & 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
};

// The usual end of a cell's drawing, in the pen set: the text inset by 3 pixels and elided
// (at the right, or in the middle for long addresses), and the dotted focus rectangle when
// the cell's row has the focus in a focused list.
void drawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                  const QString& text, const CellState& state,
                  Qt::TextElideMode elide = Qt::ElideRight);

class StatList;

class StatListModel : public QAbstractTableModel
{
    Q_OBJECT

  public:
    StatListModel(StatList* list, ListOwner* owner);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setColumns(std::vector<ListColumn> columns);
    const std::vector<ListColumn>& columns() const { return m_columns; }
    // A new row count: a model reset when it changed, else a layout change (texts anew).
    void setRows(int rows);
    void refresh();

  private:
    StatList* m_list;
    ListOwner* m_owner;
    std::vector<ListColumn> m_columns;
    int m_rows = 0;
};

class StatListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

  public:
    StatListDelegate(StatList* list, ListOwner* owner);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    StatList* m_list;
    ListOwner* m_owner;
};

class StatList : public QTableView
{
    Q_OBJECT

  public:
    static constexpr int kRowHeight = 14;
    static constexpr int kDefaultId = 2000;

    StatList(QWidget* parent, ListOwner* owner, int id = kDefaultId);

    int id() const { return m_id; }

    // Columns by subitem, and the order in which they are shown (subitems, left to
    // right; empty: subitem order).
    void setColumns(std::vector<ListColumn> columns, const std::vector<int>& displayOrder = {});
    std::vector<int> displayOrder() const;
    const std::vector<ListColumn>& columns() const { return m_model->columns(); }

    void setRowCount(int rows);
    int rowCount() const { return m_model->rowCount(); }
    // The owner's rows changed in place: every shown text is asked for again.
    void refresh();
    // Widens the columns of numbers (right-aligned) to what their title, its sort arrow and
    // their cells need at the list's font; a column is never made narrower.
    void fitColumns();

    unsigned sortType() const { return m_sortType; }
    // The sort type and the header's arrow that shows it.
    void setSortType(unsigned type);
    // What a click on the header of `subitem` does: the same subitem flips the direction,
    // another starts at direction 0; then the owner sorts and the list is redrawn.
    void clickColumn(int subitem);
    static unsigned nextSortType(unsigned current, int subitem);

    std::vector<int> selectedRows() const;
    void setSelectedRows(const std::vector<int>& rows);
    void selectAllRows();
    void clearSelectedRows();
    int focusedRow() const;

    StatListModel* listModel() const { return m_model; }

    // Rows come into view; the columns stay where the user scrolled them (a click on the
    // wide name column must not shift the numbers out of sight).
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Home and End go to the first and the last row (and select it, as a click would).
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

  private:
    void notify(int code, int row, int subitem);

    ListOwner* m_owner;
    StatListModel* m_model;
    int m_id;
    unsigned m_sortType = 2;
};

} // namespace toolkit
