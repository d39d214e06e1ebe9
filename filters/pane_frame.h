#pragma once

// The furniture every filter pane and view pane shares: a title bar 22 pixels high with the
// stage's colour swatch, the number label and the title button (id 2007, a drop-down that
// opens the menu of kinds or views), the pane's toolbars right-aligned in the title bar,
// and the content (id 2000: the statistics list, or a view's own window) below. A filter
// pane other than the first moves its top border when its title bar is dragged.

#include "toolkit/window.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QToolButton;

namespace filters {

inline constexpr int kTitleBarHeight = 22;
inline constexpr int kPaneMinimumHeight = 26;
// What a filter pane keeps in the column whatever else is shown: its title bar, the list's
// header, three rows and the list's horizontal scroll bar.
inline constexpr int kPaneUsableHeight = kTitleBarHeight + 22 + 3 * 14 + 16 + 4;
inline constexpr int kTitleButtonId = 2007;
// The pane's own buttons: a filter pane's button toolbar, a view's own toolbar.
inline constexpr int kOwnToolbarId = 2004;
inline constexpr int kContentId = 2000;

// One button of a pane toolbar.
struct PaneButton
{
    PaneButton(int c, bool toggle = false, QString label = {}, bool drop = false)
        : command(c), check(toggle), text(std::move(label)), dropDown(drop)
    {
    }
    PaneButton& withPicture(int id)
    {
        picture = id;
        return *this;
    }
    int command;
    bool check;      // a toggle
    QString text;    // shown beside the picture; empty: the picture alone
    bool dropDown;   // has a drop-down arrow
    int picture = 0; // what paneButtonImage draws; 0: the command's own picture
};

// Pictures that belong to no filter command (PaneButton::picture).
inline constexpr int kPictureFolder = 1;
inline constexpr int kPictureBack = 2;
inline constexpr int kPictureForward = 3;
inline constexpr int kPictureHome = 4;
inline constexpr int kPictureLoupe = 5;
inline constexpr int kPictureReload = 6;

class PaneFrame : public toolkit::Window
{
    Q_OBJECT

  public:
    explicit PaneFrame(QWidget* parent);
    ~PaneFrame() override;

    // The stage whose colour the swatch shows (-1: none) and the label beside it.
    void setStage(int stage);
    int stage() const { return m_stage; }
    void setLabel(const QString& label);
    QString label() const { return m_label; }

    // The title button's text (the kind's or view's title) and what a click on it does.
    // A title that opens no menu (a window of its own) shows no drop-down arrow.
    void setTitle(const QString& title, bool opensMenu = true);
    QToolButton* titleButton() const { return m_titleButton; }

    // A toolbar of buttons (a "WC_TOOLBAR" with this id), placed right-aligned in the
    // title bar after the toolbars added before it. Its button commands reach the pane.
    toolkit::Window* addToolbar(int id, const std::vector<PaneButton>& buttons);

    // A field in the title bar between the title and the toolbars, given what width is
    // left there (the browser view's address box); hidden when too little is left.
    void setTitleField(QWidget* field);

    // The content below the title bar (it is given the id 2000 when it is a Window).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Filter panes after the first: dragging the title bar moves the top border.
    void setBorderDraggable(bool on) { m_draggable = on; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void layOut();
    bool inDragArea(const QPoint& pos) const;
    // The border at parent y, kept within the panes before and this pane's own minimum.
    void dragBorderTo(int y);

    int m_stage = -1;
    QString m_label;
    QString m_title; // the title button's whole text
    QToolButton* m_titleButton;
    std::vector<toolkit::Window*> m_toolbars;
    QWidget* m_content = nullptr;
    QWidget* m_titleField = nullptr;
    bool m_draggable = false;
    bool m_dragging = false;
    int m_grabY = 0;    // screen y of the press
    int m_startTop = 0; // the pane's top then
    int m_yMin = 0, m_yMax = 0;
};

// The picture of a pane button's command (or a kPicture*), drawn at the screen's pixel ratio
// (14 x 14).
QPixmap paneButtonImage(int command);

// A 0x00BBGGRR colour of the tables (stage colours, text colours) as Qt's.
QColor fromBgr(std::uint32_t bgr);

// A rounded swatch of a stage's colour with a gentle gradient, filling box.
void drawStageSwatch(QPainter& painter, const QRectF& box, int stage);

} // namespace filters
