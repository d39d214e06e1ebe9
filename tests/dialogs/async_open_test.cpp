#include "dialog_env.h"
#include "dialogs/async_open.h"
#include "platform/errors.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <thread>

namespace {

using vxtest::activeModal;
using vxtest::control;
using vxtest::ModalDriver;

struct JobState
{
    std::atomic<bool> release{false};
    std::atomic<bool> returned{false};
    std::atomic<bool> called{false};
    std::atomic<bool> sawCancel{false};
};

// Names its step, goes half way and waits until the test lets it finish.
int stepJob(UiLabel* label, std::atomic<float>* progress, void* context)
{
    auto* state = static_cast<JobState*>(context);
    state->called = true;
    label->setText("ソート中");
    progress->store(0.5f);
    while (!state->release && progress->load() >= 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 42;
}

// Runs until cancelled, then takes a while to clean up before it returns.
int slowToStopJob(UiLabel*, std::atomic<float>* progress, void* context)
{
    auto* state = static_cast<JobState*>(context);
    state->called = true;
    while (progress->load() >= 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    state->sawCancel = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    state->returned = true;
    return 0;
}

TEST(AsyncOpen, ReturnsTheJobsResultAndShowsItsStepAndProgress)
{
    JobState state;
    QString label;
    int bar = -1;
    ModalDriver driver({[&] {
        QWidget* dialog = activeModal(QStringLiteral("Loading"));
        auto* text = control<QLabel>(dialog, 9);
        auto* progress = control<QProgressBar>(dialog, 1043);
        if (!text || !progress || text->text() != QStringLiteral("ソート中") ||
            progress->value() != 5000)
            return false;
        label = text->text();
        bar = progress->value();
        state.release = true;
        return true;
    }});
    EXPECT_EQ(ui::asyncOpen(nullptr, stepJob, &state), 42);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(label, QStringLiteral("ソート中"));
    EXPECT_EQ(bar, 5000);
}

TEST(AsyncOpen, AJobThatThrowsEndsTheLoadWithItsCode)
{
    const auto outOfMemory = [](UiLabel*, std::atomic<float>*, void*) -> int {
        throw std::bad_alloc();
    };
    const auto broken = [](UiLabel*, std::atomic<float>*, void*) -> int {
        throw std::runtime_error("broken");
    };
    EXPECT_EQ(ui::asyncOpen(nullptr, outOfMemory, nullptr), platform::kErrNotEnoughMemory);
    EXPECT_EQ(ui::asyncOpen(nullptr, broken, nullptr), platform::kErrGenFailure);
}

TEST(AsyncOpen, StopAndEscapeReturnCancelledOnlyAfterTheJobHasReturned)
{
    for (const bool escape : {false, true}) {
        JobState state;
        ModalDriver driver({[&] {
            QWidget* dialog = activeModal(QStringLiteral("Loading"));
            if (!dialog || !state.called)
                return false;
            if (escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                control<QPushButton>(dialog, 2)->click();
            return true;
        }});
        EXPECT_EQ(ui::asyncOpen(nullptr, slowToStopJob, &state), 1223);
        EXPECT_TRUE(state.sawCancel);
        EXPECT_TRUE(state.returned) << (escape ? "Escape" : "STOP");
        EXPECT_TRUE(driver.finished());
    }
}

int failingStarter(std::thread&, std::function<void()>)
{
    return 8;
}

TEST(AsyncOpen, AWorkerThatCannotStartGivesTheSystemError)
{
    JobState state;
    ui::setThreadStarter(failingStarter);
    ModalDriver guard({}, 5000);
    const int rc = ui::asyncOpen(nullptr, stepJob, &state);
    ui::setThreadStarter(nullptr);
    EXPECT_EQ(rc, 8);
    EXPECT_FALSE(state.called);
    EXPECT_FALSE(guard.timedOut());
}

} // namespace
