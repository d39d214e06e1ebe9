#include "report/report_view.h"

#include "browser/glint.h"
#include "browser/glint_host.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "filters/period_filter.h"
#include "filters/view_pane.h"
#include "platform/trace.h"
#include "report/open_view.h"
#include "store/key_reference.h"
#include "store/view_state.h"
#include "toolkit/window.h"

#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QUrl>
#include <QVariantList>

namespace report {

using namespace toolkit;
using filters::PaneButton;

namespace {

constexpr int kStatusCapacity = 1024;

std::function<bool(const std::string&)>& folderOpener()
{
    static std::function<bool(const std::string&)> opener;
    return opener;
}

bool openFolder(const std::string& folder)
{
    if (folderOpener())
        return folderOpener()(folder);
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder))));
}

// The call's arguments, the first one first, as the view reads them.
std::vector<JsValue> callArguments(const QVariantList& reversed)
{
    std::vector<JsValue> args;
    for (auto it = reversed.crbegin(); it != reversed.crend(); ++it) {
        if (it->typeId() == QMetaType::QString)
            args.push_back(JsValue::string(it->toString().toStdString()));
        else if (it->typeId() == QMetaType::Int)
            args.push_back(JsValue::integer(it->toInt()));
        else
            args.push_back(JsValue::null());
    }
    return args;
}

// What a hovered link does, in words: the report's own links say what a click shows.
QString describeLink(const QString& address)
{
    if (!address.startsWith(QLatin1String("javascript:")))
        return address;
    const auto args = linkArguments(address.toStdString());
    const OpenView call = args ? parseOpenView(*args) : OpenView{};
    switch (call.action) {
    case OpenView::Action::Referer:
        return QStringLiteral("クリックすると、この参照元からのリンク元を参照元ビューに表示します");
    case OpenView::Action::Chain:
        return QStringLiteral(
                   "クリックすると、フィルタ %1 枚とグラフをこの行に合わせて組み替えます")
            .arg(call.groups.size());
    case OpenView::Action::Ignore:
        break;
    }
    return {};
}

class ReportView : public filters::ViewPane
{
  protected:
    QString title() const override { return QStringLiteral("レポート"); }

    std::vector<PaneButton> buttons() const override
    {
        return {PaneButton(kCommandOpenFolder).withPicture(filters::kPictureFolder)};
    }
    std::vector<PaneButton> stagelessButtons() const override
    {
        return {PaneButton(kCommandBack).withPicture(filters::kPictureBack),
                PaneButton(kCommandForward).withPicture(filters::kPictureForward),
                PaneButton(kCommandHome).withPicture(filters::kPictureHome)};
    }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        const auto* folder = reinterpret_cast<const char*>(
            send(qobject_cast<Window*>(mainOf(frame)), UM_GETPATH, 0, 1));
        if (!folder || !*folder) {
            m_failed = true;
            return nullptr;
        }
        m_folder = folder;
        m_start = QFile::decodeName(QByteArray(folder)) + QStringLiteral("/index.html");
        m_host = create(glint::kHostClassName, &frame, kBrowserId, QRect(), &m_start,
                        WS_VISIBLE | glint::kGlintExternal | glint::kGlintConfined);
        if (!m_host) {
            QMessageBox::critical(frame.window(), QStringLiteral("glint"),
                                  QStringLiteral("Create WC_GLINTL failed"));
            m_failed = true;
        }
        return m_host;
    }

    // The report does not follow the chain: a refresh only travels on.
    void recompute(Window&, store::LogContainer*) override {}
    std::uint32_t dependency() const override { return 0; }

    const QString* statusText() const override { return &m_status; }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            return m_failed ? -1 : 0;
        case WM_COMMAND:
            return onCommand(self, loWord(wParam));
        case WM_NOTIFY:
            if (auto* request = reinterpret_cast<ToolTipRequest*>(lParam);
                request && request->hdr.code == TTN_GETDISPINFO) {
                request->text = tooltip(request->item);
                return 0;
            }
            return 0;
        case WBM_NOTIFY:
            if (hiWord(wParam) == WBN_STATUSTEXT)
                statusChanged(self);
            return 0;
        case WBM_COMMAND:
            if (lParam)
                execute(self, parseOpenView(
                                  callArguments(*reinterpret_cast<const QVariantList*>(lParam))));
            return 0;
        case WBM_NAVIGATE:
            // An address from elsewhere goes to the browser (which keeps to the folder).
            return send(m_host, WBM_NAVIGATE, wParam, lParam);
        case UM_LOGOPENED:
            // The last load step has written the report again.
            navigate(QStringLiteral("about:refresh"));
            return 0;
        case UM_LOGCLOSED:
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

  private:
    static QString tooltip(int command)
    {
        switch (command) {
        case kCommandOpenFolder:
            return QStringLiteral("レポート・フォルダを開く");
        case kCommandBack:
            return QStringLiteral("戻る");
        case kCommandForward:
            return QStringLiteral("進む");
        case kCommandHome:
            return QStringLiteral("ホーム");
        default:
            return {};
        }
    }

    LResult onCommand(Window& self, int id)
    {
        switch (id) {
        case kCommandHome:
            return navigate(m_start);
        case kCommandBack:
            return navigate(QStringLiteral("about:gobackward"));
        case kCommandForward:
            return navigate(QStringLiteral("about:goforward"));
        case kCommandOpenFolder:
            if (!openFolder(m_folder))
                QMessageBox::warning(
                    self.window(), QStringLiteral("Vexilo"),
                    QStringLiteral("レポート・フォルダを開けませんでした。\n\n%1")
                        .arg(QFile::decodeName(QByteArray::fromStdString(m_folder))));
            return 0;
        case glint::kCommandSaveAs:
            return command(m_host, glint::kCommandSaveAs);
        default:
            return 0;
        }
    }

    LResult navigate(const QString& address)
    {
        return send(m_host, WBM_NAVIGATE, 0, reinterpret_cast<LParam>(&address));
    }

    void statusChanged(Window& self)
    {
        char16_t buffer[kStatusCapacity];
        if (wbGetStatusText(m_host, buffer, kStatusCapacity) != 0)
            return;
        const QString text = QString::fromUtf16(buffer);
        platform::trace("%s", text.toStdString().c_str());
        m_status = describeLink(text);
        if (Window* status = child(mainOf(self), IDW_STATUSBAR))
            status->update();
    }

    // An openView call: the referer view, or the chain, the period, the graph and the
    // panes as the link says, then one refresh of everything after the last pane.
    void execute(Window& self, const OpenView& call)
    {
        auto* main = qobject_cast<Window*>(mainOf(self));
        if (!main)
            return;
        if (call.action == OpenView::Action::Referer) {
            if (store::LogContainer* log = filters::logOf(main))
                filters::showRefererView(main, store::keyText(*log, call.referer));
            return;
        }
        if (call.action != OpenView::Action::Chain || !filters::logOf(main))
            return;
        const std::vector<std::string> classes = call.classNames();
        command(main, ID_REBUILD_CHAIN, reinterpret_cast<LParam>(&classes));
        if (!call.keepsPeriod()) {
            const store::ViewState period = call.periodState();
            send(child(main, IDW_PERIOD), WM__SETVIEWSTATE, 0, reinterpret_cast<LParam>(&period));
        }
        if (Window* graph = graphView(main)) {
            store::ViewState state;
            state.flags = call.graph;
            send(graph, WM__SETVIEWSTATE, 0, reinterpret_cast<LParam>(&state));
        }
        const int n = static_cast<int>(call.groups.size());
        for (int i = 0; i < n; ++i) {
            const store::ViewState state = call.groups[static_cast<std::size_t>(i)].paneState();
            send(child(main, IDW_FILTER_FIRST + i), WM__SETVIEWSTATE, 0,
                 reinterpret_cast<LParam>(&state));
        }
        Window* next = child(main, IDW_FILTER_FIRST + n);
        command(next ? next : child(main, IDW_VIEW_FIRST), ID_REFRESH, kRefreshAll);
    }

    // The graph view on show, else a hidden one.
    static Window* graphView(Window* main)
    {
        Window* hidden = nullptr;
        for (QObject* object : main->children())
            if (auto* w = qobject_cast<Window*>(object); w && w->className() == "WC_VIEW_GRAPH") {
                if (w->id() >= IDW_VIEW_FIRST)
                    return w;
                hidden = hidden ? hidden : w;
            }
        return hidden;
    }

    Window* m_host = nullptr;
    std::string m_folder;
    QString m_start;
    QString m_status;
    bool m_failed = false;
};

} // namespace

void setFolderOpener(std::function<bool(const std::string&)> opener)
{
    folderOpener() = std::move(opener);
}

void registerReportView()
{
    glint::registerHostWindow();
    registerClass(
        kReportViewClassName, [](void*) { return std::make_unique<ReportView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
}

} // namespace report
