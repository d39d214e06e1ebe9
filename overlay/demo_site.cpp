#include "overlay/demo_site.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

namespace overlay {
namespace {

constexpr qint64 kMaxRequestHead = 16 * 1024;

QByteArray response(int status, const QByteArray& type, const QByteArray& body)
{
    const QByteArray reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Bad Request";
    return "HTTP/1.1 " + QByteArray::number(status) + " " + reason + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n" + body;
}

// The file of the folder a request path names: "/a/" and "/a" are a/index.html; nothing
// outside the folder (no "..", no links out).
QString fileFor(const QString& root, QByteArray path)
{
    if (const qsizetype q = path.indexOf('?'); q >= 0)
        path.truncate(q);
    if (const qsizetype h = path.indexOf('#'); h >= 0)
        path.truncate(h);
    const QString decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(path));
    if (!decoded.startsWith(QLatin1Char('/')) || decoded.contains(QLatin1String("..")) ||
        decoded.contains(QLatin1Char('\\')))
        return {};
    QString file = root + decoded;
    if (file.endsWith(QLatin1Char('/')))
        file += QStringLiteral("index.html");
    else if (QFileInfo(file).isDir())
        file += QStringLiteral("/index.html");
    const QString real = QFileInfo(file).canonicalFilePath();
    if (real.isEmpty() || !real.startsWith(root + QLatin1Char('/')) || !QFileInfo(real).isFile())
        return {};
    return real;
}

QByteArray typeOf(const QString& file)
{
    if (file.endsWith(QLatin1String(".html")) || file.endsWith(QLatin1String(".htm")))
        return "text/html; charset=UTF-8";
    if (file.endsWith(QLatin1String(".css")))
        return "text/css";
    if (file.endsWith(QLatin1String(".png")))
        return "image/png";
    if (file.endsWith(QLatin1String(".gif")))
        return "image/gif";
    return "application/octet-stream";
}

void answer(QTcpSocket* socket, const QString& root)
{
    const QByteArray head = socket->peek(kMaxRequestHead);
    if (!head.contains("\r\n\r\n") && head.size() < kMaxRequestHead)
        return; // the rest of the request is still on its way
    socket->readAll();
    const QList<QByteArray> line = head.left(head.indexOf("\r\n")).split(' ');
    QByteArray reply;
    if (line.size() != 3 || (line[0] != "GET" && line[0] != "HEAD")) {
        reply = response(400, "text/plain", "bad request");
    } else if (const QString file = fileFor(root, line[1]); file.isEmpty()) {
        reply = response(404, "text/html; charset=UTF-8",
                         QStringLiteral("<!DOCTYPE html><meta charset=\"UTF-8\"><title>デモ</title>"
                                        "<p>このページはデモのサイトにはありません。</p>"
                                        "<p><a href=\"/\">トップへ</a></p>")
                             .toUtf8());
    } else {
        QFile f(file);
        reply =
            response(200, typeOf(file), f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    socket->write(reply);
    socket->disconnectFromHost();
}

} // namespace

QString startDemoSite(const QString& folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    QFile siteFile(root + QStringLiteral("/site.txt"));
    if (root.isEmpty() || !siteFile.open(QIODevice::ReadOnly))
        return {};
    const QString host = QString::fromUtf8(siteFile.readLine()).trimmed();
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9.-]+$"));
    if (!hostName.match(host).hasMatch())
        return {};
    auto* server = new QTcpServer(QCoreApplication::instance());
    if (!server->listen(QHostAddress::LocalHost)) {
        delete server;
        return {};
    }
    QObject::connect(server, &QTcpServer::newConnection, server, [server, root] {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [socket, root] { answer(socket, root); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP " + host.toLatin1() +
             " 127.0.0.1:" + QByteArray::number(server->serverPort()) + "\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    return host;
}

} // namespace overlay
