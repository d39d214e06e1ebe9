#include "views/flow_view.h"

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "filters/view_pane.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "views/chooser_control.h"
#include "views/flow_canvas.h"
#include "views/flow_chooser.h"
#include "views/page_chooser.h"

#include <QVBoxLayout>

namespace views {

using namespace toolkit;

namespace {

constexpr char kFlowViewClassName[] = "WC_VIEW_FLOW";
constexpr int kFlowCanvasId = 2002;

} // namespace

namespace {

// The view: the page chooser above the canvas.
class FlowView final : public filters::ViewPane
{
  protected:
    QString title() const override { return QStringLiteral("フロー"); }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        auto* content = new QWidget(&frame);
        m_chooser.create(content, QRect(2, 1, 360, 320));
        m_canvas = dynamic_cast<FlowCanvas*>(toolkit::create(
            kFlowCanvasClassName, content, kFlowCanvasId, QRect(), nullptr, WS_VISIBLE));
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, kChooserHeight, 0, 0);
        if (m_canvas)
            layout->addWidget(m_canvas);
        return content;
    }

    void recompute(Window& self, store::LogContainer* log) override
    {
        if (!m_canvas)
            return;
        const WaitCursor wait;
        m_canvas->clearBoxes();
        if (log) {
            std::vector<const char*> entries = flowChooserEntries(*log, sourceBit());
            if (!entries.empty())
                entries.erase(entries.begin()); // the null entry: the chooser adds its own
            m_pages.rebuild(std::move(entries));
            m_canvas->setGroupNames(&log->GroupNames);
            buildFlowTrees(*log, sourceBit(), m_pages.chosenEntry(), m_canvas->trees());
        } else {
            m_pages.clear();
            m_canvas->setGroupNames(nullptr);
            m_canvas->trees().clear();
        }
        m_chooser.show(m_pages, mainOf(self));
        m_canvas->rebuild(m_canvas->isVisible());
        updateStatus();
    }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        if (LResult answer = 0; m_chooser.handle(self, msg, wParam, lParam, m_pages, answer))
            return answer;
        switch (msg) {
        case WM_COMMAND:
            return 0;
        case UM_LOGCLOSED:
            recompute(self, nullptr);
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

    const QString* statusText() const override { return m_status.isEmpty() ? nullptr : &m_status; }

  private:
    void updateStatus()
    {
        const FlowTrees& t = m_canvas->trees();
        m_status = t.page() ? QStringLiteral("%L1 回の閲覧").arg(t.next().root().count) : QString();
    }

    PageChooser m_pages;
    ChooserControl m_chooser;
    FlowCanvas* m_canvas = nullptr;
    QString m_status;
};

} // namespace

void registerFlowView()
{
    registerClass(
        kFlowViewClassName, [](void*) { return std::make_unique<FlowView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
    registerFlowCanvas();
}

} // namespace views
