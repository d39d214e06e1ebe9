#include "overlay/overlay_view.h"

#include "browser/glint.h"
#include "browser/glint_host.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "filters/view_pane.h"
#include "overlay/click_rates.h"
#include "platform/codepage.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/queries.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>

namespace overlay {

using namespace toolkit;
using filters::PaneButton;

namespace {

constexpr int kTextCapacity = 1024;
constexpr int kResizeTimer = 1;
constexpr int kResizeMillis = 250; // a splitter dragged redraws once, when it rests

std::u16string wide(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

class OverlayView : public filters::ViewPane
{
  protected:
    QString title() const override { return QStringLiteral("ブラウザ"); }

    std::vector<PaneButton> buttons() const override
    {
        return {PaneButton(kCommandLoupe, true).withPicture(filters::kPictureLoupe),
                PaneButton(kCommandBack).withPicture(filters::kPictureBack),
                PaneButton(kCommandForward).withPicture(filters::kPictureForward),
                PaneButton(kCommandHome).withPicture(filters::kPictureHome),
                PaneButton(kCommandRedraw).withPicture(filters::kPictureReload)};
    }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        m_box = create(kComboBoxClass, &frame, kAddressBoxId, QRect(110, 1, 200, 300), nullptr,
                       WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN);
        frame.setTitleField(m_box);
        m_start = QFile::decodeName(QByteArray::fromStdString(platform::resFolder())) +
                  QStringLiteral("/www/startup.html");
        m_host = create(glint::kHostClassName, &frame, kBrowserId, QRect(), &m_start, WS_VISIBLE);
        if (!m_host) {
            QMessageBox::critical(frame.window(), QStringLiteral("glint"),
                                  QStringLiteral("Create WC_GLINTL failed"));
            m_failed = true;
            return nullptr;
        }
        m_resizes = std::make_unique<ResizeWatch>(this, &frame);
        m_host->installEventFilter(m_resizes.get());
        m_loupe = create(kLoupeClass, &frame, kLoupeId,
                         QRect(80, filters::kTitleBarHeight + 80, 240, 100), nullptr, WS_VISIBLE);
        return m_host;
    }

    // A refresh of the source stage draws the overlay again and refills the address list.
    void recompute(Window& self, store::LogContainer*) override { rebuild(self); }

    const QString* statusText() const override { return &m_status; }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            if (m_failed)
                return -1;
            // It follows the last filter pane.
            setSource(self, std::max(1, paneCount(self)));
            send(child(&self, filters::kOwnToolbarId), TB_CHECKBUTTON, kCommandLoupe, 1);
            if (m_loupe)
                m_loupe->raise();
            return 0;
        case WM_COMMAND:
            return onCommand(self, loWord(wParam), hiWord(wParam));
        case WM_NOTIFY:
            if (auto* request = reinterpret_cast<ToolTipRequest*>(lParam);
                request && request->hdr.code == TTN_GETDISPINFO)
                request->text = tooltip(request->item);
            return 0;
        case WM_TIMER:
            if (wParam == kResizeTimer) {
                self.killTimer(kResizeTimer);
                rebuild(self);
            }
            return 0;
        case WBM_NOTIFY:
            if (hiWord(wParam) == WBN_DOCUMENTCOMPLETE)
                rebuild(self);
            else if (hiWord(wParam) == WBN_STATUSTEXT)
                statusChanged(self);
            return 0;
        case WBM_NAVIGATE:
            return send(m_host, WBM_NAVIGATE, wParam, lParam);
        case UM_LOGCLOSED:
            rebuild(self);
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

  private:
    // Size changes of the browser: the links have moved.
    class ResizeWatch : public QObject
    {
      public:
        ResizeWatch(OverlayView* view, Window* self) : m_view(view), m_self(self) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Resize)
                m_self->setTimer(kResizeTimer, kResizeMillis);
            return false;
        }

      private:
        [[maybe_unused]] OverlayView* m_view;
        Window* m_self;
    };

    static QString tooltip(int command)
    {
        switch (command) {
        case kCommandLoupe:
            return QStringLiteral("拡大鏡の表示");
        case kCommandBack:
            return QStringLiteral("戻る");
        case kCommandForward:
            return QStringLiteral("進む");
        case kCommandHome:
            return QStringLiteral("ホーム");
        case kCommandRedraw:
            return QStringLiteral("リロード");
        default:
            return {};
        }
    }

    LResult onCommand(Window& self, int id, int code)
    {
        switch (id) {
        case kCommandGo:
            return go();
        case kAddressBoxId:
            if (code == CBN_ENTER || code == CBN_SELCHANGE)
                post(&self, WM_COMMAND, kCommandGo);
            else
                platform::trace("combo %d", code);
            return 0;
        case kCommandLoupe:
            if (m_loupe)
                m_loupe->setVisible(send(child(&self, filters::kOwnToolbarId), TB_ISBUTTONCHECKED,
                                         kCommandLoupe) != 0);
            return 0;
        case kCommandHome:
            return navigate(m_start);
        case kCommandBack:
            return navigate(QStringLiteral("about:gobackward"));
        case kCommandForward:
            return navigate(QStringLiteral("about:goforward"));
        case kCommandRedraw:
            rebuild(self);
            return 0;
        default:
            return 0;
        }
    }

    // The address box's text: an address of the web (a bare name gets "http://").
    LResult go()
    {
        QString text;
        send(m_box, WM_GETTEXT, 0, reinterpret_cast<LParam>(&text));
        text = text.trimmed();
        if (text.isEmpty())
            return 1;
        if (!text.contains(QLatin1String("://")) && !text.startsWith(QLatin1String("about:")))
            text = QStringLiteral("http://") + text;
        platform::trace("URL=%s", text.toStdString().c_str());
        return navigate(text);
    }

    LResult navigate(const QString& address)
    {
        return send(m_host, WBM_NAVIGATE, 0, reinterpret_cast<LParam>(&address));
    }

    void statusChanged(Window& self)
    {
        char16_t buffer[kTextCapacity];
        if (wbGetStatusText(m_host, buffer, kTextCapacity) != 0)
            return;
        m_status = QString::fromUtf16(buffer);
        if (Window* status = child(mainOf(self), IDW_STATUSBAR))
            status->update();
    }

    void rebuild(Window& self)
    {
        if (!m_host)
            return;
        const WaitCursor wait;
        store::LogContainer* log = filters::logOf(mainOf(self));
        fillAddressBox(log);
        if (!log)
            return;
        MaHandle* handle = nullptr;
        if (maOpen(&handle, m_host) == 0)
            drawOverlay(*log, handle);
        maClose(handle);
    }

    void fillAddressBox(store::LogContainer* log)
    {
        QString address;
        send(m_host, WM_GETTEXT, 0, reinterpret_cast<LParam>(&address));
        const auto* edit = m_box->findChild<QLineEdit*>();
        QString text = edit ? edit->text() : QString();
        send(m_box, CB_RESETCONTENT);
        if (log)
            for (const std::string& entry : directoryAddresses(*log, sourceBit())) {
                const QString item = fromCp932(entry);
                send(m_box, CB_ADDSTRING, 0, reinterpret_cast<LParam>(&item));
            }
        // The page shown, unless the user is typing an address there.
        if (!edit || !edit->hasFocus() || !edit->isModified())
            text = address.startsWith(QLatin1String("http")) ? address : QStringLiteral("http://");
        send(m_box, WM_SETTEXT, 0, reinterpret_cast<LParam>(&text));
    }

    // The numbers over the links of every document of the page; 0, or the first failure
    // (1 for a page of another site, which is left as it is).
    int drawOverlay(const store::LogContainer& log, MaHandle* handle)
    {
        char16_t buffer[kTextCapacity];
        for (int d = 0;; ++d) {
            int capacity = kTextCapacity;
            if (maGetDocument(handle, d, buffer, &capacity) != 0)
                return 0;
            const std::string page = platform::utf16ToCp932(buffer);
            const char* path = store::stripLocalSite(&log, page.c_str());
            if (!path)
                return 1;
            platform::trace("sURL=%s pPath=%s", page.c_str(), path);
            const PageCounts counts = countFrom(log, sourceBit(), path);
            std::string markup;
            int result = 0;
            MaRect rect;
            for (int a = 0; counts.visitors > 0 && result == 0; ++a) {
                capacity = kTextCapacity;
                if (maGetAnchor(handle, d, a, &rect, buffer, &capacity) != 0)
                    break;
                if (capacity == 0)
                    continue;
                const std::string link = platform::utf16ToCp932(buffer);
                const std::optional<std::string> target = linkTarget(log, page, link);
                if (!target)
                    continue;
                const auto found = counts.targets.find(*target);
                if (found == counts.targets.end())
                    continue;
                const std::uint32_t count = found->second;
                const std::u16string title =
                    wide(fromCp932(overlay::tooltip(count, counts.visitors, link)));
                result = maWriteAnchorTitle(handle, d, a, title.c_str());
                markup += linkMarkup(rect.left, rect.bottom, rateTenths(count, counts.visitors),
                                     kImageBase);
            }
            if (result == 0)
                result = maWriteDIV(handle, d, wide(QString::fromStdString(markup)).c_str());
            if (result != 0)
                return result;
        }
    }

    Window* m_box = nullptr;
    Window* m_host = nullptr;
    Window* m_loupe = nullptr;
    std::unique_ptr<ResizeWatch> m_resizes;
    QString m_start;
    QString m_status;
    bool m_failed = false;
};

} // namespace

void registerOverlayView()
{
    glint::registerHostWindow();
    glint::serveResources(QFile::decodeName(QByteArray::fromStdString(platform::resFolder())) +
                          QStringLiteral("/www"));
    registerClass(
        kOverlayViewClassName, [](void*) { return std::make_unique<OverlayView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
}

} // namespace overlay
