#include "dialog_env.h"
#include "dialogs/artwork.h"
#include "dialogs/splash.h"
#include "dialogs/ui.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

QImage filled(QColor colour)
{
    QImage image(8, 4, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

TEST(Splash, ThePictureFadesInOverTheBackground)
{
    const QImage picture = filled(QColor(200, 100, 40));
    const QImage background = filled(QColor(20, 60, 250));
    int previousDistance = 1 << 30;
    for (const int level : {0, 4, 64, 128, 200, 252, 254}) {
        const QImage frame = ui::fadeComposition(picture, background, level);
        ASSERT_EQ(frame.format(), QImage::Format_RGB888);
        const QColor c = frame.pixelColor(3, 2);
        if (level == 0) { // all background (scaled by 255/256)
            EXPECT_EQ(c, QColor(20 * 255 >> 8, 60 * 255 >> 8, 250 * 255 >> 8));
        }
        const int distance =
            std::abs(c.red() - 200) + std::abs(c.green() - 100) + std::abs(c.blue() - 40);
        EXPECT_LE(distance, previousDistance) << level;
        if (level == 128) { // half way: clearly neither picture nor background
            EXPECT_TRUE(distance > 40 && distance < 400) << distance;
        }
        previousDistance = distance;
    }
    for (const int level : {255, 256, 300})
        EXPECT_EQ(ui::fadeComposition(picture, background, level).pixelColor(0, 0),
                  QColor(200, 100, 40));
}

TEST(Splash, ThePictureIsStoredIn24Bits)
{
    const QImage picture = ui::splashPicture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.format(), QImage::Format_RGB888);
    EXPECT_GE(picture.width(), 300);
    EXPECT_GE(picture.height(), 230);
}

TEST(Splash, PicturesAreDrawnForTheScreensPixelRatio)
{
    const QImage single = ui::splashPicture(1.0);
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        const struct
        {
            const char* name;
            QPixmap pixmap;
            QSize size;
        } pictures[] = {
            {"watermark", ui::wizardWatermark(ratio), QSize(164, 390)},
            {"banner", ui::homeBanner(440, ratio), QSize(440, 64)},
            {"emblem", ui::emblemPixmap(48, ratio), QSize(48, 48)},
            {"splash", QPixmap::fromImage(ui::splashPicture(ratio)), single.size()},
        };
        for (const auto& p : pictures) {
            EXPECT_EQ(p.pixmap.devicePixelRatio(), ratio) << p.name << " " << ratio;
            EXPECT_EQ(p.pixmap.deviceIndependentSize().toSize(), p.size) << p.name << " " << ratio;
        }
    }
    // At twice the pixels the splash is drawn again, not the small picture blown up.
    const QImage doubled = ui::splashPicture(2.0).convertToFormat(QImage::Format_RGB888);
    const QImage blownUp = single.scaled(single.size() * 2).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(doubled.size(), blownUp.size());
    int different = 0;
    for (int y = 0; y < doubled.height(); ++y)
        for (int x = 0; x < doubled.width(); ++x)
            different += doubled.pixel(x, y) != blownUp.pixel(x, y);
    EXPECT_GT(different, doubled.width() * doubled.height() / 50);
}

TEST(Splash, TheMainWindowAppearsWhenTheFadeEndsAndTheSplashClosesLater)
{
    QWidget main;
    EXPECT_EQ(ui::doSplash("テスト版", &main, UI_SW_SHOW), 0);
    ui::SplashWindow* splash = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<ui::SplashWindow*>(w))
            splash = s;
    ASSERT_NE(splash, nullptr);
    QPointer<ui::SplashWindow> alive(splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->versionLine().left(4), QStringLiteral("Ver "));

    QElapsedTimer clock;
    clock.start();
    while (!main.isVisible() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 shownAt = clock.elapsed();
    ASSERT_TRUE(main.isVisible());
    EXPECT_GT(shownAt, 500); // 64 steps of 15 ms: about one second
    ASSERT_FALSE(alive.isNull());
    EXPECT_TRUE(splash->isVisible());
    EXPECT_GT(splash->fadeLevel(), 254);

    // The caller's text in green, right-aligned at x 300 from y 212.
    const QImage frame = splash->grab().toImage();
    bool green = false;
    for (int y = 212; y < std::min(frame.height(), 232) && !green; ++y)
        for (int x = 200; x < 300 && !green; ++x) {
            const QColor c = frame.pixelColor(x, y);
            green = std::abs(c.red() - 64) < 24 && std::abs(c.green() - 128) < 24 &&
                    std::abs(c.blue() - 64) < 24;
        }
    EXPECT_TRUE(green);

    while (!alive.isNull() && clock.elapsed() < shownAt + 4000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(alive.isNull()); // closed about two seconds later
    EXPECT_TRUE(main.isVisible());
}

} // namespace
