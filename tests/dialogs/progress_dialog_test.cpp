#include "dialog_env.h"
#include "dialogs/progress_dialog.h"
#include "dialogs/smooth_progress_bar.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace {

using vxtest::activeModal;
using vxtest::control;
using vxtest::ModalDriver;

// A running import as the dialog sees it.
struct FakeImport
{
    std::uint32_t result = 0;
    std::uint64_t done = 0, total = 0;
    std::uint32_t now = 1000;
    int polls = 0;

    ui::ImportProgressDialog::Poll poll()
    {
        return [this](std::uint64_t* d, std::uint64_t* t) {
            ++polls;
            *d = done;
            *t = total;
            return result;
        };
    }
    ui::ImportProgressDialog::Clock clock()
    {
        return [this] { return now; };
    }
};

TEST(ProgressDialog, ShowsTheShareDoneAndTheTimeStillToGo)
{
    FakeImport import;
    ui::ImportProgressDialog dialog(nullptr, import.poll(), import.clock());
    auto* remaining = control<QLabel>(&dialog, 1061);
    auto* bar = control<QProgressBar>(&dialog, 1043);
    ASSERT_NE(remaining, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(remaining->text(), QStringLiteral("--:--"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Analyzing"));

    const struct
    {
        std::uint32_t elapsed;
        std::uint64_t done, total;
        const char* text;
        int bar;
    } cases[] = {
        {500, 0, 4000, "--:--", 0}, // nothing read yet
        {500, 0, 0, "--:--", 0},    // only empty files
        {47000, 2000, 4000, "50 sec", 5000},
        {61000, 2000, 4000, "1:00", 5000},
        {119000, 2000, 4000, "1:30", 5000},
        {30000, 3000, 4000, "10 sec", 7500},
        {9000, 5000, 4000, "0 sec", 10000}, // never past the end
    };
    for (const auto& c : cases) {
        import.now = 1000 + c.elapsed;
        import.done = c.done;
        import.total = c.total;
        dialog.tick();
        EXPECT_EQ(remaining->text(), QString::fromUtf8(c.text)) << c.elapsed;
        EXPECT_EQ(bar->value(), c.bar) << c.elapsed;
    }
}

TEST(ProgressDialog, EndsWhenTheImportIsDoneOrFails)
{
    const struct
    {
        std::uint32_t poll;
        int result;
    } cases[] = {{18, 0}, {1168, 1168}, {2, 2}};
    for (const auto& c : cases) {
        FakeImport import;
        import.result = c.poll;
        ui::ImportProgressDialog dialog(nullptr, import.poll(), import.clock());
        ModalDriver guard({}, 5000);
        EXPECT_EQ(dialog.exec(), c.result);
        EXPECT_EQ(import.polls, 1); // one poll of 500 ms ended it
        EXPECT_FALSE(guard.timedOut());
    }
}

TEST(ProgressDialog, StopAndEscapeCancel)
{
    for (const bool escape : {false, true}) {
        FakeImport import;
        import.total = 100;
        ui::ImportProgressDialog dialog(nullptr, import.poll(), import.clock());
        ModalDriver driver({[&] {
            QWidget* shown = activeModal(QStringLiteral("Analyzing"));
            if (!shown)
                return false;
            if (escape)
                QTest::keyClick(shown, Qt::Key_Escape);
            else
                control<QPushButton>(shown, 2)->click();
            return true;
        }});
        EXPECT_EQ(dialog.exec(), 1223);
    }
}

TEST(ProgressDialog, TheBarGlidesBetweenPollsAndShowsThePercentage)
{
    FakeImport import;
    import.total = 10000;
    import.done = 5000;
    ui::ImportProgressDialog dialog(nullptr, import.poll(), import.clock());
    auto* bar = dialog.findChild<ui::SmoothProgressBar*>(QStringLiteral("1043"));
    dialog.tick();
    EXPECT_EQ(bar->value(), 5000);
    EXPECT_EQ(bar->text(), QStringLiteral("50%"));
    std::set<int> shown; // the positions drawn on the way, until there
    QElapsedTimer clock;
    clock.start();
    while (bar->shownValue() < 5000 && clock.elapsed() < 3000) {
        shown.insert(bar->shownValue());
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(bar->shownValue(), 5000);
    EXPECT_GE(shown.size(), 3u);
    import.done = 2000; // a smaller share is shown at once
    dialog.tick();
    EXPECT_EQ(bar->shownValue(), 2000);
}

TEST(ProgressDialog, NamesTheFileBeingRead)
{
    FakeImport import;
    import.total = 400;
    ui::ImportProgressDialog dialog(
        nullptr, import.poll(), import.clock(),
        {{"/logs/access.log", 100}, {"/logs/empty.log", 0}, {"/logs/access.log.2.gz", 300}});
    auto* file = dialog.findChild<QLabel*>(QStringLiteral("currentFile"));
    for (const auto& [done, shown] : {std::pair<std::uint64_t, const char*>{0, "access.log (1/3)"},
                                      {100, "access.log.2.gz (3/3)"},
                                      {400, "access.log.2.gz (3/3)"}}) {
        import.done = done;
        dialog.tick();
        EXPECT_EQ(file->text(), QString::fromUtf8(shown)) << done;
    }
}

} // namespace
