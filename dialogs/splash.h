#pragma once

// The start-up splash: the stored picture fading in over the screen behind it, with the
// version line and the caller's text, then the main window shown and the splash closed
// two seconds later.

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace ui {

// The picture blended over the background at fade level f (0 .. 255 and more): while
// f <= 254 every channel is (picture * a + background * b) >> 8 with x = 1 - f / 255,
// a = (1 - x^2) * 255 and b = x^2 * 255; from 255 on the picture alone. Both images are
// 24-bit of the same size; the result keeps the picture's device pixel ratio.
QImage fadeComposition(const QImage& picture, const QImage& background, int level);

// Shows a window with a show command (UI_SW_*).
void showWithCommand(QWidget* window, int showCommand);

// The stored picture, 24-bit, for a device pixel ratio (0: the highest of the screens): on
// scaled screens the picture drawn at twice the pixels, carrying the ratio, so that it shows
// at the same size and stays sharp. Null when it cannot be loaded.
QImage splashPicture(qreal ratio = 0);

class SplashWindow : public QWidget
{
    Q_OBJECT

  public:
    static constexpr int kFadeMillis = 15;
    static constexpr int kFadeStep = 4;
    static constexpr int kCloseMillis = 2000;

    // The version line is made from the product version ("major.minor.build.x").
    SplashWindow(const QImage& picture, const QString& text, const QString& productVersion);

    // The main window to show, and how, when the fade ends.
    void setMainWindow(QWidget* window, int showCommand);
    int fadeLevel() const { return m_level; }
    QString versionLine() const { return m_version; }

    // Places the splash in the middle of the screen, takes the screen behind it and starts
    // the fade.
    void start();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage m_picture;
    QImage m_background;
    QString m_text;
    QString m_version;
    int m_level = 0;
    int m_fadeTimer = 0;
    int m_closeTimer = 0;
    QPointer<QWidget> m_main;
    int m_showCommand = 5;
    QPoint m_grab;
    bool m_dragging = false;
};

int doSplash(const char* text, QWidget* mainWindow, int showCommand);

} // namespace ui
