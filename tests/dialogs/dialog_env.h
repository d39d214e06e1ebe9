#pragma once

// What every dialog test needs: a private home, settings folder and temporary folder (so
// that the user's own settings and files are never touched), and a driver that works
// modal dialogs the way a person would while the code under test waits in exec().

#include "platform/settings.h"
#include "tests/platform/temp_dir.h"
#include "tests/wait_for.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vxtest {

class DialogTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "TMPDIR"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::string(value) : std::string("\x01"));
        }
        std::filesystem::create_directories(home());
        std::filesystem::create_directories(tmp());
        ::setenv("HOME", home().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_dir.file("config").c_str(), 1);
        ::setenv("TMPDIR", tmp().c_str(), 1);
        platform::setHomeDirOverride("");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved) {
            if (value == "\x01")
                ::unsetenv(name.c_str());
            else
                ::setenv(name.c_str(), value.c_str(), 1);
        }
    }

    std::string home() const { return m_dir.file("home"); }
    std::string tmp() const { return m_dir.file("tmp"); }
    std::string file(const std::string& name) const { return m_dir.file(name); }

    // Names of the files in the temporary folder that start with prefix.
    std::vector<std::string> tempFiles(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tmp())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0)
                names.push_back(name);
        }
        return names;
    }

    TempDir m_dir;

  private:
    std::vector<std::pair<std::string, std::string>> m_saved;
};

// Runs steps from a 20 ms timer while a modal loop runs; a step returning false is tried
// again on the next tick. After the time limit every modal dialog is closed so that the
// test ends (and fails).
class ModalDriver
{
  public:
    using Step = std::function<bool()>;

    explicit ModalDriver(std::vector<Step> steps, int limitMillis = 20000)
        : m_steps(std::move(steps)), m_limit(limitMillis)
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start(20);
    }

    bool finished() const { return m_next == m_steps.size(); }
    bool timedOut() const { return m_timedOut; }
    std::size_t stepsDone() const { return m_next; }

  private:
    void tick()
    {
        if (m_busy)
            return; // a step is inside a nested loop of its own
        if (m_clock.elapsed() > m_limit) {
            m_timedOut = true;
            m_timer.stop();
            for (int i = 0; i < 10; ++i) {
                QWidget* modal = QApplication::activeModalWidget();
                if (!modal)
                    break;
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
                QApplication::processEvents();
            }
            return;
        }
        m_busy = true;
        while (m_next < m_steps.size() && m_steps[m_next]())
            ++m_next;
        m_busy = false;
        if (finished())
            m_timer.stop();
    }

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_limit;
    bool m_timedOut = false;
    bool m_busy = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

// The active modal window when its title is `title`.
inline QWidget* activeModal(const QString& title)
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() && modal->windowTitle() == title ? modal : nullptr;
}

// The text and caption of the next message box, which it then closes (a step for
// ModalDriver).
struct BoxSeen
{
    QString text, caption;
};
inline ModalDriver::Step acceptBox(BoxSeen& seen)
{
    return [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        seen.text = box->text();
        seen.caption = box->windowTitle();
        box->accept();
        return true;
    };
}

template <typename T> T* control(QWidget* parent, int id)
{
    return parent ? parent->findChild<T*>(QString::number(id)) : nullptr;
}

// Runs the event loop until the windows' queued work is done (posted messages and short
// timers: the chain of panes has settled), then delivers the Qt events that work queued
// (layout, painting, deferred deletes). False when it did not settle within limitMillis.
inline bool settle(int limitMillis = 10000)
{
    const bool settled = waitFor([] { return toolkit::queuedWork() == 0; }, limitMillis);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return settled;
}

} // namespace vxtest
