#pragma once

// What every view pane shares (the log, graph, flow, browser and report views): the pane
// frame with the stage colour of its source, the title button that opens the menu of
// views (the views on show grayed, its own checked), the source button 2012 in toolbar
// 2005 (a click steps to the next stage, its arrow lists the stages in their colours), the
// refresh that travels on to the next view, the source limit after a filter pane closed,
// and the replacement of the pane by a view of another class (a hidden view of that class
// is reused with its state). A view class derives from ViewPane and computes.

#include "filters/pane_frame.h"
#include "store/log_container.h"
#include "toolkit/window.h"

#include <QString>
#include <vector>

namespace filters {

inline constexpr int kSourceButton = 2012;
inline constexpr int kSourceToolbar = 2005;

class ViewPane : public toolkit::Handler
{
  public:
    ViewPane() = default;
    ~ViewPane() override = default;

    toolkit::LResult onMessage(toolkit::Window& self, unsigned msg, toolkit::WParam wParam,
                               toolkit::LParam lParam) override;

    // The stage the view shows (0 = the period, k = the filter pane at k - 1) and its bit.
    int source() const { return m_source; }
    std::uint32_t sourceBit() const { return std::uint32_t{1} << m_source; }
    void setSource(toolkit::Window& self, int source);

  protected:
    // The view's title (UTF-8, as the menu of views names it) and its content window.
    virtual QString title() const = 0;
    virtual QWidget* createContent(PaneFrame& frame) = 0;
    // The view's own toolbar buttons, placed beside the source button (empty: none).
    virtual std::vector<PaneButton> buttons() const { return {}; }
    // A view that shows no stage of the chain (the report) puts these buttons into toolbar
    // 2005 in place of the source button, and its title bar shows no stage; empty: the view
    // follows a stage.
    virtual std::vector<PaneButton> stagelessButtons() const { return {}; }
    // Recomputes from the visitors whose mask has sourceBit(); log is null when no log is
    // open (or a load runs).
    virtual void recompute(toolkit::Window& self, store::LogContainer* log) = 0;
    // The stage bits whose change makes the view recompute (the source's by default; the
    // graph, which draws every later stage too, recomputes on every refresh).
    virtual std::uint32_t dependency() const { return sourceBit(); }
    // Everything else the view handles: its own commands and messages (WM_COMMAND of its
    // buttons, UM_HOSTRESOLVED, UM_LOGCLOSED, the state messages, ...).
    virtual toolkit::LResult onViewMessage(toolkit::Window& self, unsigned msg,
                                           toolkit::WParam wParam, toolkit::LParam lParam);
    // The status bar's middle text while the view is the main view (null: none).
    virtual const QString* statusText() const { return nullptr; }

    // The main window (the pane's parent).
    static QWidget* mainOf(toolkit::Window& self) { return self.parentWidget(); }
    // The number of filter panes now.
    static int paneCount(toolkit::Window& self);

  private:
    void created(toolkit::Window& self);
    void refresh(toolkit::Window& self, std::uint32_t dwUpdated);
    void chooseSource(toolkit::Window& self);
    void chooseView(toolkit::Window& self);
    toolkit::Window* replaceBy(toolkit::Window& self, const char* className);
    void showSource(toolkit::Window& self);

    int m_source = 0;
    int m_swatchBase = 0; // the first stage picture of the source toolbar
    bool m_stageless = false;
};

} // namespace filters
