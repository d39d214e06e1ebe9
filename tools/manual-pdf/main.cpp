// manual-pdf: prints the manual's HTML pages, in the order manual/order.txt gives, into one
// PDF with QtWebEngine (the same engine that shows them in the program).
//
//   manual-pdf MANUAL_FOLDER OUTPUT.pdf

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --no-sandbox --disable-gpu";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: manual-pdf MANUAL_FOLDER OUTPUT.pdf\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[2]);
    QFile order(folder.filePath(QStringLiteral("order.txt")));
    if (!order.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manual-pdf: no order.txt in %s\n", argv[1]);
        return 1;
    }
    // One document: every page's body after the other, each starting a new sheet.
    QString bodies;
    const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                  QRegularExpression::DotMatchesEverythingOption |
                                      QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression nav(QStringLiteral("<nav[^>]*>.*?</nav>"),
                                 QRegularExpression::DotMatchesEverythingOption);
    for (const QByteArray& line : order.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line).trimmed();
        if (name.isEmpty())
            continue;
        QFile page(folder.filePath(name));
        if (!page.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "manual-pdf: cannot read %s\n", qPrintable(name));
            return 1;
        }
        QString html = QString::fromUtf8(page.readAll());
        const auto match = body.match(html);
        QString content = match.hasMatch() ? match.captured(1) : html;
        content.remove(nav); // the links between pages mean nothing on paper
        bodies += QStringLiteral("<section class=\"printed-page\">%1</section>\n").arg(content);
    }
    const QString document =
        QStringLiteral("<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
                       "<link rel=\"stylesheet\" href=\"manual.css\"><style>"
                       ".printed-page{page-break-before:always}.printed-page:first-child{page-"
                       "break-before:auto}"
                       "</style><title>Vexilo マニュアル</title></head><body>%1</body></html>")
            .arg(bodies);

    QWebEnginePage page;
    int result = 1;
    QObject::connect(&page, &QWebEnginePage::pdfPrintingFinished, &app,
                     [&](const QString&, bool ok) {
                         result = ok ? 0 : 1;
                         app.quit();
                     });
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app, [&](bool ok) {
        if (!ok) {
            std::fprintf(stderr, "manual-pdf: the pages did not load\n");
            app.exit(1);
            return;
        }
        // Pictures decode after the load signal; give them a moment.
        QTimer::singleShot(500, &app, [&] {
            page.printToPdf(output,
                            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        });
    });
    page.setHtml(document,
                 QUrl::fromLocalFile(folder.absoluteFilePath(QStringLiteral("index.html"))));
    QTimer::singleShot(120000, &app, [&] {
        std::fprintf(stderr, "manual-pdf: timed out\n");
        app.exit(1);
    });
    app.exec();
    if (result != 0)
        std::fprintf(stderr, "manual-pdf: printing %s failed\n", qPrintable(output));
    return result;
}
