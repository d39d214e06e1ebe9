#include "dialogs/splash.h"

#include "dialogs/formats.h"
#include "dialogs/ui.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

// The resources live in a static library (inside libui.so and the tests): registered on use.
static void initResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace ui {

QImage fadeComposition(const QImage& picture, const QImage& background, int level)
{
    if (level > 254 || background.size() != picture.size())
        return picture;
    const double x = 1.0 - level / 255.0;
    const int a = static_cast<int>((1.0 - x * x) * 255.0);
    const int b = static_cast<int>(x * x * 255.0);
    QImage out(picture.size(), QImage::Format_RGB888);
    out.setDevicePixelRatio(picture.devicePixelRatio());
    const int rowBytes = picture.width() * 3;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* p = picture.constScanLine(y);
        const uchar* q = background.constScanLine(y);
        uchar* o = out.scanLine(y);
        for (int i = 0; i < rowBytes; ++i)
            o[i] = static_cast<uchar>((p[i] * a + q[i] * b) >> 8);
    }
    return out;
}

void showWithCommand(QWidget* window, int showCommand)
{
    if (!window)
        return;
    switch (showCommand) {
    case UI_SW_HIDE:
        window->hide();
        break;
    case UI_SW_SHOWMINIMIZED:
    case 6:  // minimize
    case 7:  // show minimized without activating
    case 11: // force minimize
        window->showMinimized();
        break;
    case UI_SW_SHOWMAXIMIZED:
        window->showMaximized();
        break;
    case UI_SW_SHOWNORMAL:
    case 9: // restore
        window->showNormal();
        break;
    default:
        window->show();
        break;
    }
}

QImage splashPicture(qreal ratio)
{
    initResources();
    if (ratio <= 0)
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QImage image;
    // Scaled screens get the picture drawn at twice the pixels, brought to their ratio.
    if (ratio > 1.0) {
        image.load(QStringLiteral(":/ui/splash@2x.bmp"));
        if (!image.isNull() && ratio != 2.0) {
            const QSize base = image.size() / 2;
            image = image.scaled(qRound(base.width() * ratio), qRound(base.height() * ratio),
                                 Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        if (!image.isNull())
            image.setDevicePixelRatio(ratio);
    }
    if (image.isNull())
        image.load(QStringLiteral(":/ui/splash.bmp"));
    if (image.isNull())
        return {};
    const qreal loaded = image.devicePixelRatio();
    image = image.convertToFormat(QImage::Format_RGB888);
    image.setDevicePixelRatio(loaded);
    return image;
}

SplashWindow::SplashWindow(const QImage& picture, const QString& text,
                           const QString& productVersion)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(picture.convertToFormat(QImage::Format_RGB888)), m_text(text),
      m_version(QString::fromStdString(versionText(productVersion.toStdString())))
{
    m_picture.setDevicePixelRatio(picture.devicePixelRatio());
    setObjectName(QStringLiteral("WC_SPLASH"));
    setWindowTitle(text);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::WaitCursor);
    setFixedSize(m_picture.deviceIndependentSize().toSize());
}

void SplashWindow::setMainWindow(QWidget* window, int showCommand)
{
    m_main = window;
    m_showCommand = showCommand;
}

void SplashWindow::start()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect where(QPoint(0, 0), size());
    if (screen) {
        where.moveCenter(screen->geometry().center());
        const QPixmap behind =
            screen->grabWindow(0, where.x() - screen->geometry().x(),
                               where.y() - screen->geometry().y(), where.width(), where.height());
        if (!behind.isNull())
            m_background = behind.toImage().convertToFormat(QImage::Format_RGB888);
        // The screen's pixels may not be the picture's (a scaled screen): blend like with like.
        if (!m_background.isNull() && m_background.size() != m_picture.size())
            m_background = m_background.scaled(m_picture.size(), Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation);
    }
    if (m_background.size() != m_picture.size()) {
        m_background = QImage(m_picture.size(), QImage::Format_RGB888);
        m_background.fill(Qt::black);
    }
    m_background.setDevicePixelRatio(m_picture.devicePixelRatio());
    move(where.topLeft());
    m_fadeTimer = startTimer(kFadeMillis, Qt::PreciseTimer);
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QImage frame = fadeComposition(m_picture, m_background, m_level);
    {
        QPainter painter(&frame);
        painter.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        const QFontMetrics metrics = painter.fontMetrics();
        const int height = metrics.height();
        const auto rightAligned = [&](const QString& line, int y, const QColor& colour) {
            painter.setPen(colour);
            painter.drawText(QRect(0, y, 300, height), Qt::AlignRight | Qt::AlignTop, line);
        };
        int versionY = 212;
        if (!m_text.isEmpty()) {
            rightAligned(m_text, 212, QColor(64, 128, 64));
            versionY = 210 - height;
        }
        rightAligned(m_version, versionY, QColor(51, 51, 51));
    }
    QPainter(this).drawImage(0, 0, frame);
}

void SplashWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_fadeTimer) {
        m_level += kFadeStep;
        update();
        if (m_level > 254) {
            killTimer(m_fadeTimer);
            m_fadeTimer = 0;
            m_closeTimer = startTimer(kCloseMillis);
            showWithCommand(m_main, m_showCommand);
            raise(); // stays above the main window until it closes
        }
    } else if (event->timerId() == m_closeTimer) {
        killTimer(m_closeTimer);
        m_closeTimer = 0;
        close();
    } else {
        QWidget::timerEvent(event);
    }
}

void SplashWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_grab = event->globalPosition().toPoint() - pos();
        m_dragging = true;
    }
}

void SplashWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_grab);
}

void SplashWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

int doSplash(const char* text, QWidget* mainWindow, int showCommand)
{
    const QImage picture = splashPicture();
    if (picture.isNull()) {
        QMessageBox::critical(nullptr, QStringLiteral("WC_SPLASH"),
                              QStringLiteral("SPLASH.BMP not found"));
        showWithCommand(mainWindow, showCommand);
        return 1;
    }
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral(VEXILO_VERSION);
    auto* splash = new SplashWindow(picture, QString::fromUtf8(text ? text : ""), version);
    splash->setMainWindow(mainWindow, showCommand);
    splash->start();
    splash->show();
    return 0;
}

} // namespace ui
