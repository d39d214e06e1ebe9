// The embedded browser: a QWebEngineView with its page, the confinement of a report browser
// to its folder, and the bridge that lets the top document's scripts call
// window.external.command.
//
// The bridge has two halves. In the page's own world, window.external becomes an object
// whose only name is "command" (any other name throws, as an unknown name of a dispatch
// interface does); a call hands its arguments, as JSON, to a DOM event. In the program's
// own world (a script world the page cannot reach) a listener passes the event's text on
// through QWebChannel to the bridge object, which turns it back into typed values. So the
// page sees no channel, no transport and no other object of the program.

#include "browser/glint.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <cmath>
#include <mutex>
#include <unistd.h>

namespace glint {

namespace {

// The most arguments one call hands over; a longer call is cut there.
constexpr int kMaxArguments = 4096;

// Whether url lies inside folder (canonical, no trailing slash). A file that does not
// exist yet is judged by its cleaned path; links inside the folder that lead out of it
// are judged by where they lead.
bool insideFolder(const QUrl& url, const QString& folder)
{
    if (folder.isEmpty() || !url.isLocalFile())
        return false;
    const QString path = url.toLocalFile();
    QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        real = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return real.startsWith(folder + QLatin1Char('/'));
}

bool isBlank(const QUrl& url)
{
    return url.scheme() == QLatin1String("about") &&
           (url.path() == QLatin1String("blank") || url.path() == QLatin1String("srcdoc"));
}

// The page's half of the bridge (the page's own world, top document only).
const char kExternalScript[] = R"JS(
(function () {
  var send = function () {
    var args = [];
    for (var i = 0; i < arguments.length; ++i) {
      var v = arguments[i];
      args.push(typeof v === "string" || typeof v === "number" ? v : null);
    }
    document.dispatchEvent(new CustomEvent("glint-command", {detail: JSON.stringify(args)}));
  };
  var external = new Proxy({}, {
    get: function (target, name) {
      if (name === "command")
        return send;
      if (typeof name !== "string")
        return undefined;
      throw new TypeError("Unknown name: " + name);
    },
    has: function (target, name) { return name === "command"; },
    set: function () { return false; },
    defineProperty: function () { return false; },
    deleteProperty: function () { return false; }
  });
  Object.defineProperty(window, "external", {value: external, writable: false, configurable: false});
})();
)JS";

// The program's half: the events of the page's world to the bridge object.
const char kListenerScript[] = R"JS(
(function () {
  var target = null, waiting = [];
  new QWebChannel(qt.webChannelTransport, function (channel) {
    target = channel.objects.glint;
    waiting.forEach(function (text) { target.command(text); });
    waiting = null;
  });
  document.addEventListener("glint-command", function (event) {
    var text = typeof event.detail === "string" ? event.detail : "[]";
    if (target)
      target.command(text);
    else
      waiting.push(text);
  });
})();
)JS";

QWebEngineScript makeScript(const QString& name, const QString& source, quint32 world)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setWorldId(world);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(false);
    return script;
}

// A value of the call as the program reads it: text, a 32-bit integer or null.
QVariant typedValue(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const double d = value.toDouble();
        // Integers as JavaScript writes them, 0xFFFFFFFF too (as -1).
        if (std::isfinite(d) && d == std::floor(d) && d >= -2147483648.0 && d <= 4294967295.0)
            return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(d)));
    }
    return QVariant();
}

} // namespace

// Every navigation, frame and sub-request of a confined browser stays inside its folder.
class FolderGuard : public QWebEngineUrlRequestInterceptor
{
  public:
    FolderGuard(QObject* parent, QString folder)
        : QWebEngineUrlRequestInterceptor(parent), m_folder(std::move(folder))
    {
    }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (!insideFolder(url, m_folder) && !isBlank(url) && url.scheme() != QLatin1String("qrc"))
            info.block(true);
    }

  private:
    const QString m_folder;
};

class BrowserPage : public QWebEnginePage
{
  public:
    BrowserPage(Browser* browser) : QWebEnginePage(browser), m_browser(browser) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (m_browser->allows(url))
            return true;
        emit m_browser->refused(url);
        return false;
    }
    // The page's console is no business of the program's output.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {
    }

  private:
    Browser* m_browser;
};

// The object the program's world reaches through the channel.
class CommandBridge : public QObject
{
    Q_OBJECT

  public:
    CommandBridge(Browser* browser) : QObject(browser), m_browser(browser) {}

    Q_INVOKABLE void command(const QString& json)
    {
        const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
        if (!document.isArray())
            return;
        const QJsonArray args = document.array();
        QVariantList reversed;
        const int n = std::min(static_cast<int>(args.size()), kMaxArguments);
        for (int i = n - 1; i >= 0; --i)
            reversed.push_back(typedValue(args.at(i)));
        emit m_browser->commandCalled(reversed);
    }

  private:
    Browser* m_browser;
};

// The view with the program's own context menu (Japanese, without the entries that would
// leave the program's control: a new window, the page's source as a new page, saving).
class BrowserView : public QWebEngineView
{
  public:
    BrowserView(Browser* owner) : QWebEngineView(owner), m_owner(owner) {}

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QMenu menu(this);
        QAction* back = menu.addAction(QStringLiteral("戻る"), m_owner, &Browser::goBack);
        back->setEnabled(m_owner->canGoBack());
        QAction* forward = menu.addAction(QStringLiteral("進む"), m_owner, &Browser::goForward);
        forward->setEnabled(m_owner->canGoForward());
        menu.addAction(QStringLiteral("再読み込み"), this, [this] { reload(); });
        menu.addSeparator();
        QAction* copy = menu.addAction(QStringLiteral("コピー"), this,
                                       [this] { page()->triggerAction(QWebEnginePage::Copy); });
        copy->setEnabled(hasSelection());
        menu.addAction(QStringLiteral("すべて選択"), this,
                       [this] { page()->triggerAction(QWebEnginePage::SelectAll); });
        menu.exec(event->globalPos());
    }

  private:
    Browser* m_owner;
};

struct Browser::Status
{
    mutable std::mutex lock;
    QString text;
};

Browser::Browser(QWidget* parent, unsigned options)
    : QWidget(parent), m_options(options), m_view(new BrowserView(this)),
      m_page(new BrowserPage(this)), m_status(std::make_unique<Status>())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setPage(m_page);
    // Files and links dropped on the page are not opened.
    m_view->setAcceptDrops(false);
    m_view->installEventFilter(this);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    if (m_options & External)
        installExternal();
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { emit documentComplete(); });
    connect(m_page, &QWebEnginePage::linkHovered, this,
            [this](const QString& url) { setStatusText(url); });
    connect(m_page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl& url) { emit addressChanged(url); });
}

Browser::~Browser()
{
    // The page goes before the view and the bridge it uses.
    m_view->setPage(nullptr);
    delete m_page;
}

void Browser::installExternal()
{
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly))
        return;
    const QString listener = QString::fromUtf8(channelScript.readAll()) + QLatin1Char('\n') +
                             QString::fromUtf8(kListenerScript);
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("glint"), new CommandBridge(this));
    m_page->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    QWebEngineScriptCollection& scripts = m_page->scripts();
    scripts.insert(makeScript(QStringLiteral("glint-external"), QString::fromUtf8(kExternalScript),
                              QWebEngineScript::MainWorld));
    scripts.insert(
        makeScript(QStringLiteral("glint-listener"), listener, QWebEngineScript::ApplicationWorld));
}

bool Browser::allows(const QUrl& url) const
{
    if (url.scheme().compare(QLatin1String("javascript"), Qt::CaseInsensitive) == 0)
        return false;
    if (!(m_options & Confined))
        return true;
    return isBlank(url) || insideFolder(url, m_folder);
}

int Browser::navigate(const QString& address)
{
    if (address == QLatin1String("about:home"))
        return m_home.isEmpty() ? 1 : navigate(m_home);
    if (address == QLatin1String("about:gobackward")) {
        goBack();
        return 0;
    }
    if (address == QLatin1String("about:goforward")) {
        goForward();
        return 0;
    }
    if (address == QLatin1String("about:refresh")) {
        m_page->triggerAction(QWebEnginePage::Reload);
        return 0;
    }
    QUrl url;
    if (address == QLatin1String("about:app"))
        url = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/res/app/index.html"));
    else if (address.startsWith(QLatin1Char('/')))
        url = QUrl::fromLocalFile(address);
    else
        url = QUrl(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return 1;
    if ((m_options & Confined) && m_home.isEmpty() && url.isLocalFile()) {
        // The first address sets the folder a confined browser keeps to.
        const QFileInfo start(url.toLocalFile());
        m_folder = QFileInfo(start.absolutePath()).canonicalFilePath();
        if (!m_folder.isEmpty())
            m_page->setUrlRequestInterceptor(new FolderGuard(m_page, m_folder));
    }
    if (!allows(url)) {
        emit refused(url);
        return 1;
    }
    if (m_home.isEmpty())
        m_home = url.toString();
    m_page->load(url);
    return 0;
}

QUrl Browser::address() const
{
    return m_page->url();
}

QString Browser::statusText() const
{
    const std::lock_guard<std::mutex> hold(m_status->lock);
    return m_status->text;
}

void Browser::setStatusText(const QString& text)
{
    {
        const std::lock_guard<std::mutex> hold(m_status->lock);
        if (m_status->text == text)
            return;
        m_status->text = text;
    }
    emit statusTextChanged();
}

void Browser::goBack()
{
    if (canGoBack())
        m_page->triggerAction(QWebEnginePage::Back);
}

void Browser::goForward()
{
    if (canGoForward())
        m_page->triggerAction(QWebEnginePage::Forward);
}

bool Browser::canGoBack() const
{
    return m_page->history()->canGoBack();
}

bool Browser::canGoForward() const
{
    return m_page->history()->canGoForward();
}

void Browser::saveTo(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool single = suffix == QLatin1String("mht") || suffix == QLatin1String("mhtml");
    m_page->save(path, single ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                              : QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
}

void Browser::documentMarkup(std::function<void(const QString&)> done)
{
    runProgramScript(
        QStringLiteral("document.documentElement ? document.documentElement.outerHTML : ''"),
        [done = std::move(done)](const QVariant& value) { done(value.toString()); });
}

void Browser::runProgramScript(const QString& script, std::function<void(const QVariant&)> done)
{
    if (done)
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, done);
    else
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

bool Browser::eventFilter(QObject* watched, QEvent* event)
{
    // The view's render widget comes and goes with the page: watch every child it gets.
    if (event->type() == QEvent::ChildAdded)
        if (QObject* added = static_cast<QChildEvent*>(event)->child();
            added && added->isWidgetType())
            added->installEventFilter(this);
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Back)) {
            goBack();
            return true;
        }
        if (key->matches(QKeySequence::Forward)) {
            goForward();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::BackButton) {
            goBack();
            return true;
        }
        if (mouse->button() == Qt::ForwardButton) {
            goForward();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

Browser* browserOf(QWidget* host)
{
    if (!host)
        return nullptr;
    if (auto* browser = qobject_cast<Browser*>(host))
        return browser;
    return host->findChild<Browser*>(QString(), Qt::FindDirectChildrenOnly);
}

QString markedUserAgent(const QString& userAgent, const QString& name)
{
    if (name.isEmpty() || userAgent.contains(name))
        return userAgent;
    const qsizetype close = userAgent.lastIndexOf(QLatin1Char(')'));
    if (close < 0)
        return userAgent + name;
    return userAgent.left(close) + QStringLiteral("; ") + name + userAgent.mid(close);
}

namespace {

// Files of one folder under "vexilo-res:NAME".
class ResourceHandler : public QWebEngineUrlSchemeHandler
{
  public:
    ResourceHandler(QObject* parent, QString folder)
        : QWebEngineUrlSchemeHandler(parent), m_folder(std::move(folder))
    {
    }
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]*$"));
        const QString name = job->requestUrl().path();
        QFile file(m_folder + QLatin1Char('/') + name);
        if (!plain.match(name).hasMatch() || !QFileInfo(file).isFile() ||
            !file.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(file.readAll());
        const QByteArray type =
            QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toUtf8();
        job->reply(type, buffer);
    }

  private:
    const QString m_folder;
};

} // namespace

void serveResources(const QString& folder)
{
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    if (profile->urlSchemeHandler("vexilo-res"))
        profile->removeUrlScheme("vexilo-res");
    profile->installUrlSchemeHandler("vexilo-res", new ResourceHandler(profile, folder));
}

void prepareApplication()
{
    QWebEngineUrlScheme scheme("vexilo-res");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme |
                    QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium's sandbox cannot run as root; everywhere else it stays on.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // QtWebEngine's report of its graphics set-up is no message for the user.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\n"
                                                    "qt.webenginecontext.debug=false"));
}

} // namespace glint

int wbInitialize(const char16_t* name)
{
    if (!name)
        return kMaInvalidArgument;
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    profile->setHttpUserAgent(
        glint::markedUserAgent(profile->httpUserAgent(), QString::fromUtf16(name)));
    return 0;
}

int wbGetStatusText(QWidget* host, char16_t* buffer, int capacity)
{
    glint::Browser* browser = glint::browserOf(host);
    if (!browser)
        return 1;
    if (!buffer || capacity <= 0)
        return 0;
    const QString text = browser->statusText();
    const int n = std::min(static_cast<int>(text.size()), capacity - 1);
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), n, buffer);
    buffer[n] = 0;
    return 0;
}

#include "browser.moc"
