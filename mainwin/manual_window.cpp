#include "mainwin/manual_window.h"

#include "browser/glint.h"

#include <QAction>
#include <QDesktopServices>
#include <QPointer>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace mainwin {

void showManualWindow(QWidget* owner, const QString& page)
{
    static QPointer<QWidget> window;
    static QPointer<glint::Browser> browser;
    if (!window) {
        window = new QWidget(owner, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Vexilo マニュアル"));
        window->resize(980, 760);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* bar = new QToolBar(window);
        browser = new glint::Browser(window, glint::Browser::Confined);
        glint::Browser* b = browser;
        QStyle* style = window->style();
        bar->addAction(style->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("戻る"), b,
                       [b] { b->goBack(); })
            ->setShortcut(QKeySequence::Back);
        bar->addAction(style->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("進む"), b,
                       [b] { b->goForward(); })
            ->setShortcut(QKeySequence::Forward);
        bar->addAction(style->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("目次"), b,
                       [b] { b->navigate(QStringLiteral("about:home")); });
        // Addresses outside the manual: only the web, in the desktop's browser.
        QObject::connect(b, &glint::Browser::refused, window, [](const QUrl& url) {
            if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
                QDesktopServices::openUrl(url);
        });
        layout->addWidget(bar);
        layout->addWidget(browser, 1);
        browser->navigate(QUrl::fromLocalFile(page).toString());
    } else {
        browser->navigate(QUrl::fromLocalFile(page).toString());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace mainwin
