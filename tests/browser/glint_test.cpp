// The embedded browser on offscreen QtWebEngine, with pages from a temporary folder and a
// loopback server: the settled load notification, the user-agent marker, the external
// object, the confinement of a report browser, and the document access functions.

#include "browser/glint.h"
#include "browser/glint_host.h"
#include "tests/platform/temp_dir.h"
#include "tests/wait_for.h"
#include "toolkit/window.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace toolkit;
using vxtest::waitFor;

// What the host's parent hears.
struct Heard
{
    QElapsedTimer clock;
    std::vector<qint64> settled; // WBM_NOTIFY kind 1, ms on the clock
    int statusChanges = 0;
    std::vector<QVariantList> commands;
};

class Owner : public Handler
{
  public:
    explicit Owner(Heard* heard) : m_heard(heard) {}
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        if (msg == WBM_NOTIFY && hiWord(wParam) == WBN_DOCUMENTCOMPLETE)
            m_heard->settled.push_back(m_heard->clock.elapsed());
        else if (msg == WBM_NOTIFY && hiWord(wParam) == WBN_STATUSTEXT)
            ++m_heard->statusChanges;
        else if (msg == WBM_COMMAND)
            m_heard->commands.push_back(*reinterpret_cast<const QVariantList*>(lParam));
        else
            return defaultProc(self, msg, wParam, lParam);
        return 0;
    }

  private:
    Heard* m_heard;
};

// A loopback web server that answers every request with one small page and keeps the
// requests' heads.
class PageServer
{
  public:
    PageServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->readAll();
                    m_requests.push_back(head);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                  "Connection: close\r\nContent-Length: 20\r\n\r\n"
                                  "<p>served page</p>\r\n");
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString address() const
    {
        return QStringLiteral("http://127.0.0.1:%1/page.html").arg(m_server.serverPort());
    }
    const std::vector<QByteArray>& requests() const { return m_requests; }

  private:
    QTcpServer m_server;
    std::vector<QByteArray> m_requests;
};

class Glint : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        registerClass("WC_GLINT_TEST_OWNER", [](void* heard) {
            return std::make_unique<Owner>(static_cast<Heard*>(heard));
        });
        glint::registerHostWindow();
        ASSERT_EQ(wbInitialize(u"Orvane Vexilo"), 0);
    }
    void SetUp() override
    {
        m_heard.clock.start();
        m_owner = create("WC_GLINT_TEST_OWNER", nullptr, 0, QRect(0, 0, 640, 480), &m_heard);
        ASSERT_TRUE(m_owner);
    }
    void TearDown() override
    {
        destroy(m_owner);
        glint::setSavePathChooser(nullptr);
    }

    // A page in the temporary folder; its address.
    QString page(const std::string& name, const std::string& html)
    {
        const std::string path = m_dir.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << html;
        return QString::fromStdString(path);
    }
    Window* host(const QString& address,
                 unsigned style = glint::kGlintExternal | glint::kGlintConfined)
    {
        m_host = create(glint::kHostClassName, m_owner, 121, QRect(0, 0, 640, 480),
                        const_cast<QString*>(&address), WS_VISIBLE | style);
        return m_host;
    }
    glint::Browser* browser() { return glint::browserOf(m_host); }
    bool settled(std::size_t count = 1)
    {
        return waitFor([&] { return m_heard.settled.size() >= count; });
    }
    // A script's value in the program's world of the page shown.
    QVariant evaluate(const QString& script)
    {
        bool done = false;
        QVariant value;
        browser()->runProgramScript(script, [&](const QVariant& v) {
            value = v;
            done = true;
        });
        EXPECT_TRUE(waitFor([&] { return done; }));
        return value;
    }
    LResult navigate(const QString& address)
    {
        return send(m_host, WBM_NAVIGATE, 0, reinterpret_cast<LParam>(&address));
    }

    vxtest::TempDir m_dir;
    Heard m_heard;
    Window* m_owner = nullptr;
    Window* m_host = nullptr;
};

TEST(GlintUserAgent, TheNameGoesInsideTheLastParentheses)
{
    const struct
    {
        const char* before;
        const char* after;
    } cases[] = {
        {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)",
         "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; Orvane Vexilo)"},
        {"Agent", "AgentOrvane Vexilo"},
        // The tail after the parentheses stays: the Chrome and Safari tokens sites look for.
        {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/102.0 "
         "Safari/537.36",
         "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko; Orvane Vexilo) "
         "Chrome/102.0 Safari/537.36"},
        {"Mozilla/4.0 (compatible; Orvane Vexilo)", "Mozilla/4.0 (compatible; Orvane Vexilo)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            glint::markedUserAgent(QString::fromUtf8(c.before), QStringLiteral("Orvane Vexilo")),
            QString::fromUtf8(c.after));
}

// The marker is in what a web server sees, and the browser's own tokens are still there.
TEST_F(Glint, RequestsCarryTheMarkerInTheirUserAgent)
{
    PageServer server;
    host(server.address(), 0);
    ASSERT_TRUE(settled());
    ASSERT_FALSE(server.requests().empty());
    const QByteArray head = server.requests().front();
    const qsizetype at = head.indexOf("User-Agent: ");
    ASSERT_GE(at, 0) << head.toStdString();
    const QByteArray agent = head.mid(at, head.indexOf("\r\n", at) - at);
    EXPECT_TRUE(agent.contains("; Orvane Vexilo)")) << agent.toStdString();
    EXPECT_TRUE(agent.contains("Chrome/")) << agent.toStdString();
}

// Three frames finish one after another: the parent hears once, 500 ms after the last;
// a reload, which reports no new document of its own, is heard the same way.
TEST_F(Glint, LoadsSettleIntoOneNotification)
{
    for (const char* name : {"a.html", "b.html", "c.html"})
        page(name, std::string("<p>frame ") + name + "</p>");
    qint64 lastLoad = 0;
    Window* h = host(page("top.html", "<frameset cols='*,*,*'><frame src='a.html'>"
                                      "<frame src='b.html'><frame src='c.html'></frameset>"));
    QObject::connect(glint::browserOf(h), &glint::Browser::documentComplete,
                     [&] { lastLoad = m_heard.clock.elapsed(); });
    ASSERT_TRUE(settled());
    EXPECT_FALSE(waitFor([&] { return m_heard.settled.size() > 1; }, 1200));
    ASSERT_EQ(m_heard.settled.size(), 1u);
    EXPECT_GE(m_heard.settled[0] - lastLoad, glint::kSettleMillis - 30);

    const qint64 asked = m_heard.clock.elapsed();
    EXPECT_EQ(navigate(QStringLiteral("about:refresh")), 0);
    ASSERT_TRUE(settled(2));
    EXPECT_GE(m_heard.settled[1] - asked, glint::kSettleMillis - 30);
    EXPECT_FALSE(waitFor([&] { return m_heard.settled.size() > 2; }, 1200));
}

// The page reaches the program through window.external.command only: the arguments arrive
// in reverse order as texts, integers and nulls; any other name throws; the page sees no
// channel.
TEST_F(Glint, OnlyTheCommandMethodReachesTheOwner)
{
    host(page("external.html", R"(<script>
var r = [];
try { window.external.command("referer", 3); r.push("called"); } catch (e) { r.push("threw"); }
try { window.external.other(1); r.push("other called"); } catch (e) { r.push(e.message); }
try { window.external = {command: function () {}}; } catch (e) {}
window.external.command("", 0, -1, null, 2.5, "\u65e5\u672c");
r.push(typeof qt, typeof QWebChannel, typeof window.external.command);
document.title = r.join("|");
</script>)"));
    ASSERT_TRUE(settled());
    ASSERT_TRUE(waitFor([&] { return m_heard.commands.size() == 2; }));
    const QVariantList& first = m_heard.commands[0];
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0].typeId(), QMetaType::Int);
    EXPECT_EQ(first[0].toInt(), 3);
    EXPECT_EQ(first[1].toString(), QStringLiteral("referer"));
    const QVariantList& second = m_heard.commands[1];
    ASSERT_EQ(second.size(), 6);
    EXPECT_EQ(second[0].toString(), QStringLiteral("日本"));
    EXPECT_FALSE(second[1].isValid()); // 2.5 is no integer
    EXPECT_FALSE(second[2].isValid());
    EXPECT_EQ(second[3].toInt(), -1);
    EXPECT_EQ(second[4].toInt(), 0);
    EXPECT_EQ(second[5].toString(), QString());
    EXPECT_EQ(browser()->view()->title(),
              QStringLiteral("called|Unknown name: other|undefined|undefined|function"));
}

// A report browser keeps to its folder: addresses outside it, javascript: addresses (a
// log's data may hold them), a link out, a frame out and a request to the network are all
// refused; the folder's own files are shown.
TEST_F(Glint, AConfinedBrowserKeepsToItsFolder)
{
    PageServer server;
    const QString outside = QString::fromStdString(m_dir.file("outside.html"));
    page("outside.html", "<p>outside</p>");
    const std::string outUrl = QUrl::fromLocalFile(outside).toString().toStdString();
    host(page("report/index.html", "<a id='out' href='" + outUrl + "'>out</a><iframe src='" +
                                       outUrl + "'></iframe><img src='" +
                                       server.address().toStdString() + "'>"));
    std::vector<QUrl> refused;
    QObject::connect(browser(), &glint::Browser::refused,
                     [&](const QUrl& url) { refused.push_back(url); });
    ASSERT_TRUE(settled());
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(evaluate(QStringLiteral("document.querySelector('iframe').contentDocument ? "
                                      "document.querySelector('iframe').contentDocument.body."
                                      "textContent : 'none'"))
                  .toString()
                  .contains(QStringLiteral("outside")),
              false);

    const struct
    {
        QString address;
        LResult result;
    } cases[] = {
        {outside, 1},
        {QStringLiteral("javascript:window.external.command('referer',1)"), 1},
        {QStringLiteral("JavaScript:alert(1)"), 1},
        {server.address(), 1},
        {QString::fromStdString(m_dir.file("report/../outside.html")), 1},
        {page("report/other.html", "<p>other</p>"), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(navigate(c.address), c.result) << c.address.toStdString();
    ASSERT_TRUE(settled(2));
    EXPECT_TRUE(browser()->address().toLocalFile().endsWith(QStringLiteral("report/other.html")));

    EXPECT_EQ(navigate(QStringLiteral("about:gobackward")), 0);
    ASSERT_TRUE(settled(3));
    refused.clear();
    evaluate(QStringLiteral("document.getElementById('out').click()"));
    ASSERT_TRUE(waitFor([&] { return !refused.empty(); }));
    EXPECT_EQ(refused.front().toLocalFile(), outside);
    EXPECT_TRUE(browser()->address().toLocalFile().endsWith(QStringLiteral("report/index.html")));
    EXPECT_TRUE(m_heard.commands.empty());
}

// Save and source: the save command writes the page to the chosen file, the source
// command shows the markup in a window of its own.
TEST_F(Glint, SaveAndSourceCommands)
{
    host(page("doc.html", "<p>kept words</p>"));
    ASSERT_TRUE(settled());
    const std::string saved = m_dir.file("saved.mht");
    glint::setSavePathChooser([&](QWidget*) { return QString::fromStdString(saved); });
    EXPECT_EQ(command(m_host, glint::kCommandSaveAs), 0);
    ASSERT_TRUE(waitFor([&] {
        std::error_code ec;
        return std::filesystem::file_size(saved, ec) > 0 && !ec;
    }));
    glint::setSavePathChooser([](QWidget*) { return QString(); });
    EXPECT_EQ(command(m_host, glint::kCommandSaveAs), 1); // cancelled

    EXPECT_EQ(command(m_host, glint::kCommandSource), 0);
    QPlainTextEdit* source = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (source = m_host->findChild<QPlainTextEdit*>("glintSource")); }));
    EXPECT_TRUE(source->toPlainText().contains(QStringLiteral("<p>kept words</p>")));
    EXPECT_TRUE(source->isWindow());
}

// Reading the page: documents with links only, frames depth-first, rectangles, named
// anchors, truncated buffers; writing: a title per link, one overlay element per document.
TEST_F(Glint, DocumentAccessReadsAndWritesThePage)
{
    char16_t buffer[256];
    int capacity = 0;
    MaHandle* h = nullptr;

    // No window of the browser: the handle is still stored.
    QWidget plain;
    EXPECT_EQ(maOpen(&h, &plain), 1);
    ASSERT_TRUE(h);
    maClose(h);
    maClose(nullptr);
    EXPECT_EQ(maOpen(nullptr, &plain), kMaInvalidArgument);

    page("f1.html", "<body style='margin:0'><a href='one.html' style='position:absolute;left:30px;"
                    "top:40px;width:50px;height:20px;display:block'>one</a><a name='n'>named</a>");
    page("f2.html", "<body><a href='two.html'>two</a><iframe src='f3.html'></iframe>");
    page("f3.html", "<body><a href='three.html'>three</a>");
    page("empty.html", "<body><p>no links</p>");
    host(page("top.html", "<frameset cols='*,*,*'><frame src='f1.html'><frame src='f2.html'>"
                          "<frame src='empty.html'></frameset>"));
    ASSERT_TRUE(settled());
    ASSERT_TRUE(waitFor([&] {
        return evaluate(QStringLiteral("frames.length === 3 && frames[1].frames.length === 1 && "
                                       "frames[1].frames[0].document.readyState === 'complete'"))
            .toBool();
    }));

    ASSERT_EQ(maOpen(&h, m_host), 0);
    const auto documentName = [&](int d) {
        capacity = 256;
        const int rc = maGetDocument(h, d, buffer, &capacity);
        return rc == 0 ? QFileInfo(QString::fromUtf16(buffer)).fileName() : QString::number(rc);
    };
    EXPECT_EQ(documentName(0), QStringLiteral("f1.html"));
    EXPECT_EQ(documentName(1), QStringLiteral("f2.html"));
    EXPECT_EQ(documentName(2), QStringLiteral("f3.html"));
    EXPECT_EQ(documentName(3), QStringLiteral("259"));
    EXPECT_EQ(maGetDocument(h, 0, buffer, nullptr), kMaInvalidArgument);

    MaRect rect;
    capacity = 256;
    ASSERT_EQ(maGetAnchor(h, 0, 0, &rect, buffer, &capacity), 0);
    EXPECT_TRUE(QString::fromUtf16(buffer).endsWith(QStringLiteral("/one.html")));
    EXPECT_EQ(capacity, static_cast<int>(QString::fromUtf16(buffer).size()));
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right, 80);
    EXPECT_EQ(rect.bottom, 60);
    capacity = 256;
    EXPECT_EQ(maGetAnchor(h, 0, 1, &rect, buffer, &capacity), 0);
    EXPECT_EQ(capacity, 0); // a named anchor has no address
    const int full = [&] {
        int c = 0;
        maGetAnchor(h, 1, 0, &rect, nullptr, &c);
        return c;
    }();
    capacity = 5;
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    ASSERT_EQ(maGetAnchor(h, 1, 0, &rect, buffer, &capacity), 0);
    EXPECT_EQ(QString::fromUtf16(buffer), QStringLiteral("file"));
    EXPECT_EQ(capacity, full);
    EXPECT_EQ(maGetAnchor(h, 0, 2, &rect, buffer, &capacity), kMaNoMoreItems);
    EXPECT_EQ(maGetAnchor(h, 0, -1, &rect, buffer, &capacity), kMaNoMoreItems);
    EXPECT_EQ(maGetAnchor(h, 0, 0, nullptr, buffer, &capacity), kMaInvalidArgument);

    EXPECT_EQ(maWriteAnchorTitle(h, 0, 0, u"12 人"), 0);
    EXPECT_EQ(maWriteAnchorTitle(h, 0, 9, u"x"), 1);
    EXPECT_EQ(maWriteAnchorTitle(h, 7, 0, u"x"), kMaNoMoreItems);
    EXPECT_EQ(maWriteDIV(h, 2, u"<b>first</b>"), 0);
    EXPECT_EQ(maWriteDIV(h, 2, u"<b>second</b>"), 0);
    EXPECT_EQ(maWriteDIV(h, 2, nullptr), kMaInvalidArgument);
    maClose(h);
    EXPECT_EQ(evaluate(QStringLiteral("frames[0].document.links[0].title")).toString(),
              QStringLiteral("12 人"));
    EXPECT_EQ(evaluate(QStringLiteral("var d = frames[1].frames[0].document;"
                                      "d.querySelectorAll('#anchor_decolations').length + '|' +"
                                      "d.getElementById('anchor_decolations').innerHTML + '|' +"
                                      "(d.body.lastChild.id === 'anchor_decolations')"))
                  .toString(),
              QStringLiteral("1|<b>second</b>|true"));

    // A page without links lists no document.
    navigate(page("empty.html", "<body><p>no links</p>"));
    ASSERT_TRUE(settled(2));
    ASSERT_EQ(maOpen(&h, m_host), 0);
    capacity = 256;
    EXPECT_EQ(maGetDocument(h, 0, buffer, &capacity), kMaNoMoreItems);
    maClose(h);
}

TEST_F(Glint, StatusTextOfAnotherWindowIsRefused)
{
    char16_t buffer[8] = {u'x'};
    QWidget plain;
    EXPECT_EQ(wbGetStatusText(&plain, buffer, 8), 1);
    host(page("s.html", "<p>s</p>"));
    EXPECT_EQ(wbGetStatusText(m_host, buffer, 8), 0);
    EXPECT_EQ(buffer[0], u'\0');
}

} // namespace
