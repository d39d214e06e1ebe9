#include "browser/glint_host.h"

#include "browser/glint.h"
#include "toolkit/qt_glue.h"
#include "toolkit/window.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace glint {

using namespace toolkit;

namespace {

constexpr int kSettleTimer = 100;

std::function<QString(QWidget*)>& savePathChooser()
{
    static std::function<QString(QWidget*)> chooser;
    return chooser;
}

QString askSavePath(QWidget* owner)
{
    if (savePathChooser())
        return savePathChooser()(owner);
    const std::string path =
        askFileName(owner, FileDialogKind::Save,
                    QStringLiteral("Web アーカイブ(*.mht) (*.mht *.mhtml)"), QStringLiteral("mht"));
    return QFile::decodeName(QByteArray::fromStdString(path));
}

class Host : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            return created(self, reinterpret_cast<const QString*>(lParam));
        case WBM_NAVIGATE: {
            const auto* address = reinterpret_cast<const QString*>(lParam);
            if (!m_browser || !address)
                return 1;
            const int result = m_browser->navigate(*address);
            // A reload reports no new document of its own here: the owner hears of it
            // all the same once it has settled.
            if (result == 0 && *address == QLatin1String("about:refresh"))
                self.setTimer(kSettleTimer, kSettleMillis);
            return result;
        }
        case WBM_NOTIFY:
            if (hiWord(wParam) == WBN_DOCUMENTCOMPLETE)
                self.setTimer(kSettleTimer, kSettleMillis);
            else if (hiWord(wParam) == WBN_STATUSTEXT)
                send(parentWindow(&self), WBM_NOTIFY, makeWParam(self.id(), WBN_STATUSTEXT));
            return 0;
        case WM_TIMER:
            if (wParam == kSettleTimer) {
                self.killTimer(kSettleTimer);
                send(parentWindow(&self), WBM_NOTIFY, makeWParam(self.id(), WBN_DOCUMENTCOMPLETE));
            }
            return 0;
        case WM_COMMAND:
            if (loWord(wParam) == kCommandSaveAs)
                return saveAs(self);
            if (loWord(wParam) == kCommandSource)
                return showSource(self);
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    LResult created(Window& self, const QString* start)
    {
        auto* layout = new QVBoxLayout(&self);
        layout->setContentsMargins(0, 0, 0, 0);
        m_browser = new Browser(&self, self.style() & (kGlintExternal | kGlintConfined));
        layout->addWidget(m_browser);
        QPointer<Window> host(&self);
        auto notify = [host](int kind) {
            if (host)
                post(host, WBM_NOTIFY, makeWParam(host->id(), kind));
        };
        QObject::connect(m_browser, &Browser::documentComplete, &self,
                         [notify] { notify(WBN_DOCUMENTCOMPLETE); });
        QObject::connect(m_browser, &Browser::statusTextChanged, &self,
                         [notify] { notify(WBN_STATUSTEXT); });
        QObject::connect(m_browser, &Browser::addressChanged, &self, [host](const QUrl& url) {
            if (host) {
                const QString text = url.toString();
                send(host, WM_SETTEXT, 0, reinterpret_cast<LParam>(&text));
            }
        });
        QObject::connect(
            m_browser, &Browser::commandCalled, &self, [host](const QVariantList& reversed) {
                if (host)
                    send(parentWindow(host), WBM_COMMAND, 0, reinterpret_cast<LParam>(&reversed));
            });
        if (start && !start->isEmpty())
            m_browser->navigate(*start);
        return 0;
    }

    LResult saveAs(Window& self)
    {
        if (!m_browser)
            return 1;
        const QString path = askSavePath(self.window());
        if (path.isEmpty())
            return 1;
        m_browser->saveTo(path);
        return 0;
    }

    LResult showSource(Window& self)
    {
        if (!m_browser)
            return 1;
        QPointer<Window> host(&self);
        m_browser->documentMarkup([host](const QString& markup) {
            if (!host || markup.isEmpty())
                return;
            auto* text = new QPlainTextEdit(host);
            text->setWindowFlag(Qt::Window);
            text->setAttribute(Qt::WA_DeleteOnClose);
            text->setObjectName(QStringLiteral("glintSource"));
            text->setWindowTitle(QStringLiteral("ソース"));
            text->setReadOnly(true);
            text->setLineWrapMode(QPlainTextEdit::NoWrap);
            text->setPlainText(markup);
            text->resize(400, 400);
            text->show();
        });
        return 0;
    }

    Browser* m_browser = nullptr;
};

} // namespace

void setSavePathChooser(std::function<QString(QWidget*)> chooser)
{
    savePathChooser() = std::move(chooser);
}

void registerHostWindow()
{
    registerClass(kHostClassName, [](void*) { return std::make_unique<Host>(); });
}

} // namespace glint
