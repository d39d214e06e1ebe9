#pragma once

// The page chooser of the log view and the flow view as a control: an owner-drawn drop-down
// list ("WC_COMBOBOX", id 2001) whose entries are those of a views::PageChooser, each drawn
// with an icon and a colour by its kind (a page of the site, an outside address, either as
// a URL-group name in use), the null entry as "すべて".

#include "toolkit/window.h"
#include "views/page_chooser.h"

#include <QRect>

namespace views {

inline constexpr int kChooserId = 2001;

class ChooserControl
{
  public:
    // Makes the drop-down list in pane (or in a widget of the pane) at place.
    void create(toolkit::Window& pane, const QRect& place)
    {
        create(static_cast<QWidget*>(&pane), place);
    }
    void create(QWidget* parent, const QRect& place);
    toolkit::Window* window() const { return m_window; }

    // Shows the chooser's entries and its choice; main answers UM_ISGROUPNAME.
    void show(const PageChooser& chooser, QWidget* main);

    // The pane's WM_MEASUREITEM and WM_DRAWITEM for the list (true when they were its own).
    bool measure(toolkit::MeasureItem& item) const;
    bool draw(const toolkit::DrawItem& item, const PageChooser& chooser) const;

    // The entry the user chose after a CBN_SELCHANGE from the list, or -1.
    int chosenIndex() const;
    // After a CBN_SELCHANGE: takes the user's choice into chooser; true when it changed (the
    // view then refreshes itself).
    bool takeChoice(PageChooser& chooser) const;

    // The chooser's part of its pane's messages: WM_MEASUREITEM and WM_DRAWITEM of the list,
    // and the list's CBN_SELCHANGE, which takes the choice and refreshes the pane alone.
    // True when the message was the chooser's; result is then the pane's answer.
    bool handle(toolkit::Window& pane, unsigned msg, toolkit::WParam wParam, toolkit::LParam lParam,
                PageChooser& chooser, toolkit::LResult& result) const;

  private:
    toolkit::Window* m_window = nullptr;
    std::vector<bool> m_groupNames; // per entry: a URL-group name in use
    bool m_filling = false;
};

// The picture of an entry's kind, 14 x 14, at the screen's pixel ratio.
QPixmap entryIcon(EntryKind kind);

} // namespace views
