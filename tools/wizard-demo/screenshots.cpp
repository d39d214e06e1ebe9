#include "tools/wizard-demo/screenshots.h"

#include "dialogs/ui.h"
#include "platform/settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QWizard>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Runs steps one after another from a 100 ms timer; a step that returns false is tried
// again on the next tick.
class Script
{
  public:
    using Step = std::function<bool()>;
    explicit Script(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            while (m_next < m_steps.size() && m_steps[m_next]())
                ++m_next;
            if (m_next == m_steps.size())
                m_timer.stop();
        });
        m_timer.start(100);
    }
    bool finished() const { return m_next == m_steps.size(); }

  private:
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QTimer m_timer;
};

QString g_folder;

bool save(QWidget* widget, const char* name)
{
    const QString path = QDir(g_folder).filePath(QString::fromLatin1(name));
    const bool ok = widget && widget->grab().save(path, "PNG");
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return true;
}

QWidget* modal(const char* title)
{
    QWidget* w = QApplication::activeModalWidget();
    return w && w->windowTitle() == QString::fromUtf8(title) && w->isVisible() ? w : nullptr;
}

QWizard* wizardOn(int page)
{
    auto* wizard = qobject_cast<QWizard*>(QApplication::activeModalWidget());
    return wizard && wizard->currentId() == page ? wizard : nullptr;
}

template <typename T> T* control(QWidget* page, int id)
{
    return page ? page->findChild<T*>(QString::number(id)) : nullptr;
}

// A pause of `millis` before the next step.
Script::Step waitFor(int millis)
{
    auto start = std::make_shared<std::chrono::steady_clock::time_point>();
    auto begun = std::make_shared<bool>(false);
    return [=] {
        if (!*begun) {
            *begun = true;
            *start = std::chrono::steady_clock::now();
        }
        return std::chrono::steady_clock::now() - *start >= std::chrono::milliseconds(millis);
    };
}

Script::Step shootPage(int page, const char* name, std::function<void(QWizard*)> before = {})
{
    return [=] {
        QWizard* wizard = wizardOn(page);
        if (!wizard)
            return false;
        if (before)
            before(wizard);
        QApplication::processEvents();
        save(wizard, name);
        return true;
    };
}

Script::Step next(int page)
{
    return [=] {
        QWizard* wizard = wizardOn(page);
        if (!wizard || !wizard->button(QWizard::NextButton)->isEnabled())
            return false;
        wizard->button(QWizard::NextButton)->click();
        return true;
    };
}

int slowJob(UiLabel* label, std::atomic<float>* progress, void*)
{
    label->setText("ソート中");
    for (int i = 0; i < 30 && progress->load() >= 0; ++i) {
        progress->store(0.02f * i);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

} // namespace

int takeScreenshots(const std::string& folder, const std::string& logs)
{
    g_folder = QString::fromStdString(folder);
    QDir().mkpath(g_folder);

    {
        Script script({[] {
            QWidget* dialog = modal("Vexilo HomeFolder");
            if (!dialog)
                return false;
            save(dialog, "home-folder.png");
            control<QPushButton>(dialog, 1)->click();
            return true;
        }});
        if (uiMakeHomeDir(nullptr, false) != 0)
            return 1;
    }

    QWidget main;
    main.setWindowTitle(QStringLiteral("Vexilo"));
    main.resize(640, 420);
    uiDoSplash("Wizard demo", &main, UI_SW_SHOW);
    {
        bool shot = false;
        QTimer::singleShot(1200, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("WC_SPLASH") && w->isVisible())
                    save(w, "splash.png");
            shot = true;
        });
        while (!shot)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    {
        Script script({[] {
                           QWidget* dialog = modal("Loading");
                           return dialog != nullptr;
                       },
                       waitFor(700),
                       [] {
                           save(modal("Loading"), "loading.png");
                           return true;
                       }});
        uiAsyncOpen(&main, slowJob, nullptr);
    }

    const QString logFolder = QString::fromStdString(logs);
    Script script({
        shootPage(106, "wizard-106-welcome.png"),
        next(106),
        // First a folder that is not there: the file page says so.
        [logFolder] {
            QWizard* w = wizardOn(192);
            if (!w)
                return false;
            control<QCheckBox>(w->currentPage(), 1016)->setChecked(true);
            control<QLineEdit>(w->currentPage(), 1004)->setText(logFolder + QStringLiteral("-old"));
            control<QLineEdit>(w->currentPage(), 1051)->setText(QStringLiteral("*.gz"));
            return true;
        },
        next(192),
        [] {
            QWizard* w = wizardOn(193);
            auto* status =
                w ? w->currentPage()->findChild<QLabel*>(QStringLiteral("searchStatus")) : nullptr;
            return status && status->isVisible();
        },
        shootPage(193, "wizard-193-not-found.png"),
        [] {
            QWizard* w = wizardOn(193);
            if (w)
                w->button(QWizard::BackButton)->click();
            return w != nullptr;
        },
        shootPage(192, "wizard-192-search.png",
                  [logFolder](QWizard* w) {
                      control<QLineEdit>(w->currentPage(), 1004)->setText(logFolder);
                  }),
        next(192),
        [] {
            QWizard* w = wizardOn(193);
            auto* list = w ? control<QTableWidget>(w->currentPage(), 1044) : nullptr;
            return list && list->rowCount() > 0;
        },
        shootPage(193, "wizard-193-files.png"),
        // The Add button's open dialog, left without choosing.
        [] {
            QWizard* w = wizardOn(193);
            if (w)
                QMetaObject::invokeMethod(control<QPushButton>(w->currentPage(), 1053), "click",
                                          Qt::QueuedConnection);
            return w != nullptr;
        },
        [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
        waitFor(800), // the folder is read beside the window
        [] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return false;
            save(dialog, "open-dialog.png");
            dialog->reject();
            return true;
        },
        next(193),
        shootPage(
            194, "wizard-194-options.png",
            [](QWizard* w) { control<QRadioButton>(w->currentPage(), 1065)->setChecked(true); }),
        next(194),
        shootPage(196, "wizard-196-extensions.png"),
        next(196),
        shootPage(218, "wizard-218-directory-index.png"),
        next(218),
        shootPage(219, "wizard-219-user-agent.png"),
        next(219),
        shootPage(108, "wizard-108-finish.png"),
        [] {
            QWizard* w = wizardOn(108);
            if (!w)
                return false;
            w->button(QWizard::FinishButton)->click();
            return true;
        },
        // The dialog stays at least until its first poll, 500 ms.
        [] { return modal("Analyzing") != nullptr; },
        [] {
            QWidget* dialog = modal("Analyzing");
            auto* remaining = dialog ? control<QLabel>(dialog, 1061) : nullptr;
            return !remaining || remaining->text() != QLatin1String("--:--");
        },
        waitFor(350), // the bar glides to the share of the first poll
        [] {
            if (QWidget* dialog = modal("Analyzing"))
                save(dialog, "progress.png");
            return true; // a small import is already done: no picture
        },
    });
    char path[260] = {};
    const std::string config = platform::dataFilePath("conf.ini");
    const int made = uiRunWizAna(&main, path, sizeof path, config.c_str());
    if (made)
        std::printf("%s\n", path);
    return made && script.finished() ? 0 : 1;
}
