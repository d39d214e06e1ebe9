#pragma once

// The toolkit's four window classes:
//  - "WC_COMBOBOX": owns a combo box (its only child, id 1) and always occupies a strip
//    20 pixels high; the height it is given is the height of the drop-down part. The
//    combo box messages, text and font go to the inner box; its notifications reach the
//    wrapper's parent as commands MAKEWPARAM(wrapper id, code), its owner-draw requests
//    with the wrapper's id.
//  - "WC_TOOLBAR": owns a toolbar (id 1) sized to the wrapper; every message from WM_USER
//    up is a toolbar message; notifications reach the parent with the wrapper as sender,
//    button commands unchanged. The toolbar draws no background of its own, so the
//    parent's shows through.
//  - "WC_SEPARATOR": a splitter bar the user drags along one axis (left-right, or up-down
//    with SPS_HORIZONTAL); each move sends its parent WM_SIZE (0, 0).
//  - "WC_LOUPE": a magnifier showing the screen around the mouse pointer enlarged two
//    times, refreshed every 100 ms; the user drags it with the left button.

#include "toolkit/window.h"

#include <QComboBox>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace toolkit {

inline constexpr char kComboBoxClass[] = "WC_COMBOBOX";
inline constexpr char kToolbarClass[] = "WC_TOOLBAR";
inline constexpr char kSeparatorClass[] = "WC_SEPARATOR";
inline constexpr char kLoupeClass[] = "WC_LOUPE";

// Height of the strip a WC_COMBOBOX occupies, whatever height it is given.
inline constexpr int kComboStripHeight = 20;

// Registers the four classes through `add` (the registry calls this once).
void registerToolkitClasses(
    const std::function<void(std::string_view, HandlerFactory, WidgetFactory)>& add);

// The combo box inside a WC_COMBOBOX.
class ComboControl : public QComboBox
{
    Q_OBJECT

  public:
    ComboControl(Window* wrapper, unsigned style);

    // A combo box message (CB_*, WM_SETTEXT, WM_GETTEXT, ...).
    LResult message(unsigned msg, WParam wParam, LParam lParam);

    // The size requested for the whole control including its drop-down part.
    void setDroppedSize(const QSize& size);
    QRect droppedRect() const;
    int itemHeight() const;
    bool ownerDrawn() const { return m_style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE); }

    void showPopup() override;
    void hidePopup() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    friend class ComboItemDelegate;
    void notify(int code);
    int insertSorted(const QString& text, LParam data);
    void drawOwnerItem(QPainter& painter, int index, const QRect& rect, unsigned state);
    int measure(int index) const;

    Window* m_wrapper;
    unsigned m_style;
    QSize m_dropped;
    mutable int m_itemHeight = -1; // measured or set; -1 not yet known
    bool m_popupShown = false;
};

class ComboWrapper : public Window
{
    Q_OBJECT

  public:
    explicit ComboWrapper(QWidget* parent) : Window(parent) {}
    // The handler sees WM_DESTROY while the ComboWrapper is still whole.
    ~ComboWrapper() override { sendDestroy(); }
    ComboControl* inner() const { return m_inner; }
    void createInner();
    QRect positionChanging(const QRect& proposed) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    ComboControl* m_inner = nullptr;
};

// One button of a toolbar (TB_ADDBUTTONS, TB_INSERTBUTTON, TB_GETBUTTON).
struct TbButton
{
    int image = -1; // index into the toolbar's images; -1 none
    int command = 0;
    unsigned char state = TBSTATE_ENABLED;
    unsigned char style = BTNS_BUTTON;
    QString text;
    LParam data = 0;
};

class ToolbarControl;

// A button of the toolbar; knows where its drop-down part is.
class ToolbarButton : public QToolButton
{
    Q_OBJECT

  public:
    ToolbarButton(ToolbarControl* bar, const TbButton& button);
    TbButton& data() { return m_data; }
    const TbButton& data() const { return m_data; }
    void applyState();

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool inDropDownPart(const QPoint& pos) const;

    ToolbarControl* m_bar;
    TbButton m_data;
};

// The toolbar inside a WC_TOOLBAR.
class ToolbarControl : public QToolBar
{
    Q_OBJECT

  public:
    ToolbarControl(Window* wrapper, unsigned style);

    // A toolbar message (WM_USER and up).
    LResult message(unsigned msg, WParam wParam, LParam lParam);

    int buttonCount() const { return static_cast<int>(m_buttons.size()); }
    int commandToIndex(int command) const;
    ToolbarButton* buttonAt(int index) const;
    unsigned extendedStyle() const { return m_exStyle; }
    unsigned style() const { return m_style; }

    // Sent by the buttons: a click (WM_COMMAND) and notifications (WM_NOTIFY) go to the
    // wrapper, which passes them on.
    void buttonClicked(ToolbarButton* button);
    LResult notify(NotifyHeader& header);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Slot
    {
        QAction* action = nullptr;
        ToolbarButton* button = nullptr; // null for a separator
        TbButton separator;              // the data of a separator
    };
    bool insertButton(int index, const TbButton& button);
    void deleteButton(int index);
    QIcon image(int index) const;
    void setButtonState(int command, unsigned char mask, bool on);

    Window* m_wrapper;
    unsigned m_style;
    unsigned m_exStyle = 0;
    QSize m_imageSize{16, 15};
    std::vector<QPixmap> m_images;
    std::vector<Slot> m_buttons;
};

class ToolbarWrapper : public Window
{
    Q_OBJECT

  public:
    explicit ToolbarWrapper(QWidget* parent) : Window(parent) {}
    // The handler sees WM_DESTROY while the ToolbarWrapper is still whole.
    ~ToolbarWrapper() override { sendDestroy(); }
    ToolbarControl* inner() const { return m_inner; }
    void createInner();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    ToolbarControl* m_inner = nullptr;
};

// The width a WC_TOOLBAR needs to show every button whole, however narrow it is now (a
// toolbar made small shows some in its overflow menu).
int idealToolbarWidth(Window* bar);

// A window the user moves by dragging it with the left button.
class DraggableWindow : public Window
{
  public:
    using Window::Window;

  protected:
    // Where a drag wants the window's top-left (parent coordinates); moves it there.
    virtual void dragTo(const QPoint& wanted) { move(wanted); }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QPoint m_grab; // where the window was taken, in its own coordinates
    bool m_dragging = false;
};

class Separator : public DraggableWindow
{
    Q_OBJECT

  public:
    explicit Separator(QWidget* parent);
    // The handler sees WM_DESTROY while the Separator is still whole.
    ~Separator() override { sendDestroy(); }
    bool horizontal() const { return style() & SPS_HORIZONTAL; }
    void updateCursor();

  protected:
    void moveEvent(QMoveEvent* event) override;
    void dragTo(const QPoint& wanted) override;
};

class Loupe : public DraggableWindow
{
    Q_OBJECT

  public:
    explicit Loupe(QWidget* parent);
    // The handler sees WM_DESTROY while the Loupe is still whole.
    ~Loupe() override { sendDestroy(); }

    // The screen rectangle shown for a pointer position and an inner size w x h: w/2 by
    // h/2 starting w/4 left of and h/4 above the pointer.
    static QRect sourceRect(const QPoint& pointer, const QSize& inner);

    // Takes the picture under the pointer again and repaints (its timer does, 10 times a
    // second).
    void refresh();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap m_shot;
    bool m_grabbing = false;
};

} // namespace toolkit
