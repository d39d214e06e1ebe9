// The page overlay: its numbers (core), and the view over pages of a loopback site whose
// log the test writes (offscreen QtWebEngine): the 12.5 % link with its bar, a link that
// appears twice, a jump inside the page, frames and a frame of another site, a page that
// changes after loading, and the same numbers as vexilo-cli overlay.

#include "browser/glint.h"
#include "filters/view_pane.h"
#include "overlay/click_rates.h"
#include "overlay/overlay_view.h"
#include "tests/views/view_window_env.h"
#include "toolkit/window.h"

#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <map>
#include <regex>

namespace {

using namespace toolkit;
using namespace vxtest;

// The pictures the markup shows, in order: "b04 n1 n2 nd n5 np".
std::string pictures(const std::string& markup)
{
    std::string out;
    static const std::regex picture("vexilo-res:([a-z0-9]+)\\.gif");
    for (auto it = std::sregex_iterator(markup.begin(), markup.end(), picture);
         it != std::sregex_iterator(); ++it) {
        if (!out.empty())
            out += ' ';
        out += (*it)[1].str();
    }
    return out;
}

TEST(OverlayNumbers, RatesBarsAndPictures)
{
    const struct
    {
        std::uint32_t count, visitors;
        int tenths, bar;
        const char* text;
        const char* pictures;
    } cases[] = {
        {5, 40, 125, 4, "12.5%", "b04 nb n1 n2 nd n5 np nb"},
        {40, 40, 1000, 32, "100.0%", "b32 nb n1 n0 n0 nd n0 np nb"},
        {1, 2500, 0, 0, "0.0%", "b00 nb n0 nd n0 np nb"},
        {1, 3, 333, 11, "33.3%", "b11 nb n3 n3 nd n3 np nb"},
        {1, 1000, 1, 1, "0.1%", "b01 nb n0 nd n1 np nb"},
        {999, 1000, 999, 31, "99.9%", "b31 nb n9 n9 nd n9 np nb"},
    };
    for (const auto& c : cases) {
        const int tenths = overlay::rateTenths(c.count, c.visitors);
        EXPECT_EQ(tenths, c.tenths) << c.count << "/" << c.visitors;
        EXPECT_EQ(overlay::barIndex(tenths), c.bar) << c.count << "/" << c.visitors;
        EXPECT_EQ(overlay::rateText(c.count, c.visitors), c.text);
        EXPECT_EQ(pictures(overlay::linkMarkup(10, 50, tenths, "vexilo-res:")), c.pictures);
    }
    EXPECT_EQ(overlay::tooltip(5, 40, "http://s/a.html?x=1#top"),
              "12.5%\r\n5/40\r\nhttp://s/a.html?x=1#top");
    // The bar sits on the link's bottom edge, the number above it, in pixels.
    const std::string markup = overlay::linkMarkup(10, 50, 125, "vexilo-res:");
    EXPECT_NE(markup.find("left:10px;top:46px;"), std::string::npos) << markup;
    EXPECT_NE(markup.find("left:10px;top:42px;"), std::string::npos) << markup;
}

// A loopback web server with pages the test sets.
class Site
{
  public:
    Site()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->readAll();
                    QByteArray path = head.mid(4, head.indexOf(' ', 4) - 4);
                    if (const qsizetype q = path.indexOf('?'); q >= 0)
                        path.truncate(q);
                    const auto it = m_pages.find(path.toStdString());
                    const QByteArray body = it == m_pages.end()
                                                ? QByteArray("<p>none</p>")
                                                : QByteArray::fromStdString(it->second);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n"
                                  "Connection: close\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
        });
    }
    std::string origin() const
    {
        return "http://127.0.0.1:" + std::to_string(m_server.serverPort());
    }
    void page(const std::string& path, const std::string& html) { m_pages[path] = html; }

  private:
    QTcpServer m_server;
    std::map<std::string, std::string> m_pages;
};

class Overlay : public ViewWindowTest
{
  protected:
    void registerClasses() override
    {
        ViewWindowTest::registerClasses();
        overlay::registerOverlayView();
    }

    // 40 visitors saw /page.html; 5 of them went on to /a.html (through /x.html first, which
    // also lets the load find the site), 2 to /frame2.html.
    void openSiteLog()
    {
        const std::string site = m_site.origin();
        std::string log;
        const auto hit = [&](int visitor, int second, const std::string& path,
                             const std::string& from) {
            char line[512];
            std::snprintf(
                line, sizeof line,
                "10.0.0.%d - - [01/Oct/2026:10:%02d:%02d +0900] \"GET %s HTTP/1.1\" 200 100 "
                "\"%s\" \"Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0\"\n",
                visitor, visitor, second, path.c_str(), from.empty() ? "-" : (site + from).c_str());
            log += line;
        };
        for (int v = 1; v <= 40; ++v) {
            if (v <= 5) {
                hit(v, 1, "/x.html", "/");
                hit(v, 2, "/page.html", "/x.html");
                hit(v, 3, "/a.html?x=1", "/page.html");
            } else {
                hit(v, 2, "/page.html", "");
            }
            if (v == 6 || v == 7)
                hit(v, 4, "/frame2.html", "/page.html");
        }
        writeFile(file("site.log"), log);
        ASSERT_EQ(std::system((std::string(VEXILO_CLI) + " import -o " + file("site.vxlog") + " " +
                               file("site.log") + " >/dev/null")
                                  .c_str()),
                  0);
        open(file("site.vxlog"));
        ASSERT_TRUE(filters::logOf(main()));
        // The browser view as the main view, counting the period's visitors.
        view = reinterpret_cast<Window*>(command(mainView(), 40020));
        ASSERT_TRUE(view);
        view->show();
        dynamic_cast<filters::ViewPane*>(view->handler())->setSource(*view, 0);
        command(view, ID_REFRESH, kRefreshAll);
        ASSERT_TRUE(settle());
    }
    glint::Browser* browser() { return glint::browserOf(child(view, overlay::kBrowserId)); }
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
    void go(const std::string& path)
    {
        const QString address = QString::fromStdString(m_site.origin() + path);
        send(view, WBM_NAVIGATE, 0, reinterpret_cast<LParam>(&address));
    }
    // The overlay of the document that `frame` names ("document", "frames[0].document").
    std::string overlayOf(const QString& frame)
    {
        const QVariant v = evaluate(
            QStringLiteral(
                "(function () { var d = %1; var o = d && d.getElementById('anchor_decolations');"
                " return o ? o.innerHTML : null; })()")
                .arg(frame));
        return v.isNull() ? "none" : v.toString().toStdString();
    }
    std::string titleOf(const QString& frame, int link)
    {
        return evaluate(QStringLiteral("%1.links[%2].title").arg(frame).arg(link))
            .toString()
            .toStdString();
    }

    Site m_site;
    Window* view = nullptr;
};

TEST_F(Overlay, EachLinkShowsTheShareOfTheVisitorsWhoFollowedIt)
{
    m_site.page(
        "/page.html",
        "<body style='margin:0'><a href='/a.html?x=1#top' style='position:absolute;left:20px;"
        "top:30px;width:40px;height:16px;display:block'>a</a>"
        "<p style='margin-top:80px'><a href='#section'>jump</a> <a href='/page.html'>self</a> "
        "<a href='/b.html'>b</a> <a href='/a.html'>a again</a></p>");
    openSiteLog();
    go("/page.html");
    ASSERT_TRUE(waitFor([&] { return overlayOf("document") != "none"; }));
    const std::string markup = overlayOf("document");
    // The two links to /a.html: the same numbers at each; nothing at the others.
    EXPECT_EQ(pictures(markup), "b04 nb n1 n2 nd n5 np nb b04 nb n1 n2 nd n5 np nb");
    EXPECT_NE(markup.find("left:20px;top:42px;"), std::string::npos) << markup;
    EXPECT_EQ(titleOf("document", 0), "12.5%\r\n5/40\r\n" + m_site.origin() + "/a.html?x=1#top");
    EXPECT_EQ(titleOf("document", 1), "");
    EXPECT_EQ(titleOf("document", 2), "");
    EXPECT_EQ(titleOf("document", 3), "");
    EXPECT_EQ(titleOf("document", 4), "12.5%\r\n5/40\r\n" + m_site.origin() + "/a.html");

    // The command line prints the same numbers for the page.
    EXPECT_EQ(cli("overlay", "/page.html --source 0"),
              "5\t40\t12.5%\t125\t4\t/a.html\n2\t40\t5.0%\t50\t2\t/frame2.html\n");

    // The page changes after loading: the redraw button finds the new link, and the overlay
    // element is replaced, not added to.
    evaluate(QStringLiteral("document.body.insertAdjacentHTML('beforeend',"
                            " '<a href=\"/frame2.html\">new</a>')"));
    command(view, overlay::kCommandRedraw);
    ASSERT_TRUE(waitFor([&] { return titleOf("document", 5) != ""; }));
    EXPECT_EQ(titleOf("document", 5).substr(0, 12), "5.0%\r\n2/40\r\n");
    EXPECT_EQ(
        evaluate(QStringLiteral("document.querySelectorAll('#anchor_decolations').length")).toInt(),
        1);
    EXPECT_EQ(pictures(overlayOf("document")),
              "b04 nb n1 n2 nd n5 np nb b04 nb n1 n2 nd n5 np nb b02 nb n5 nd n0 np nb");
}

// Frames are counted each for itself, from their own page; a page of another site gets
// nothing.
TEST_F(Overlay, FramesAndAPageOfAnotherSite)
{
    m_site.page(
        "/frames.html",
        "<frameset cols='*,*'><frame src='/page.html'><frame src='/frame2.html'></frameset>");
    m_site.page("/page.html", "<body><a href='/a.html'>a</a> <a href='/frame2.html'>f</a>");
    m_site.page("/frame2.html", "<body><a href='/a.html'>a</a>");
    openSiteLog();
    go("/frames.html");
    ASSERT_TRUE(waitFor([&] { return overlayOf("frames[1].document") != "none"; }));
    EXPECT_EQ(pictures(overlayOf("frames[0].document")),
              "b04 nb n1 n2 nd n5 np nb b02 nb n5 nd n0 np nb");
    EXPECT_EQ(overlayOf("frames[1].document"), ""); // nobody went on from /frame2.html

    const std::string other =
        "http://localhost:" + m_site.origin().substr(m_site.origin().rfind(':') + 1) + "/page.html";
    // Typed into the address box, as the user does.
    const QString address = QString::fromStdString(other);
    auto* edit = child(view, overlay::kAddressBoxId)->findChild<QLineEdit*>();
    ASSERT_TRUE(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, address);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] {
        QString box;
        send(child(view, overlay::kAddressBoxId), WM_GETTEXT, 0, reinterpret_cast<LParam>(&box));
        return box == address && evaluate(QStringLiteral("document.readyState")) == "complete";
    }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(overlayOf("document"), "none");
}

} // namespace
