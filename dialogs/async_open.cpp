#include "dialogs/async_open.h"

#include "dialogs/smooth_progress_bar.h"
#include "platform/errors.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <cmath>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace ui {
namespace {

constexpr int kCancelled = platform::kErrCancelled;
constexpr int kBarRange = 10000;
constexpr int kPollMillis = 250;

int defaultStarter(std::thread& thread, std::function<void()> body)
{
    try {
        thread = std::thread([body = std::move(body)] {
            // One step below normal, so that the dialog stays responsive.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 2);
            body();
        });
        return 0;
    } catch (const std::system_error& e) {
        const int rc = platform::errorFromErrno(e.code().value());
        return rc ? rc : platform::kErrNotEnoughMemory;
    }
}

std::atomic<ThreadStarter> g_starter{nullptr};

// The step text: set from the worker, shown by the dialog's thread.
class StepLabel final : public UiLabel
{
  public:
    explicit StepLabel(QLabel* label) : m_label(label) {}
    void setText(const char* utf8) override
    {
        const QString text = QString::fromUtf8(utf8 ? utf8 : "");
        QLabel* label = m_label;
        QMetaObject::invokeMethod(
            label, [label, text] { label->setText(text); }, Qt::QueuedConnection);
    }

  private:
    QLabel* m_label;
};

class LoadingDialog : public QDialog
{
  public:
    LoadingDialog(QWidget* owner, UiJob job, void* context)
        : QDialog(owner), m_job(job), m_context(context)
    {
        setWindowTitle(QStringLiteral("Loading"));
        setModal(true);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        m_label = new QLabel(QStringLiteral("ファイルを読み込んでいます"), this);
        m_label->setObjectName(QStringLiteral("9"));
        m_label->setMinimumWidth(280);
        m_bar = new SmoothProgressBar(kPollMillis, this);
        m_bar->setObjectName(QStringLiteral("1043"));
        m_bar->setRange(0, kBarRange);
        auto* stop = new QPushButton(QStringLiteral("&STOP"), this);
        stop->setObjectName(QStringLiteral("2"));
        connect(stop, &QPushButton::clicked, this, &LoadingDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_label);
        layout->addWidget(m_bar);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(stop);
        layout->addLayout(buttons);
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_stepLabel = std::make_unique<StepLabel>(m_label);
        m_timer.setInterval(kPollMillis);
        connect(&m_timer, &QTimer::timeout, this, &LoadingDialog::showProgress);
        // The worker starts once the dialog's loop runs, so that its end is never missed.
        QMetaObject::invokeMethod(this, &LoadingDialog::start, Qt::QueuedConnection);
    }

    // Waits for the worker: the job's state may live on the caller's stack.
    ~LoadingDialog() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    // STOP, Escape and closing the window all cancel.
    void reject() override
    {
        m_progress.store(-1.0f);
        end(kCancelled);
    }

  private:
    void start()
    {
        ThreadStarter starter = g_starter.load();
        const int rc = (starter ? starter : defaultStarter)(m_thread, [this] {
            // The job needs no per-thread set-up on this platform. An exception of the job
            // (memory running out over a huge log) ends the load, never the program.
            int result = 0;
            try {
                result = m_job(m_stepLabel.get(), &m_progress, m_context);
            } catch (const std::bad_alloc&) {
                result = platform::kErrNotEnoughMemory;
            } catch (...) {
                result = platform::kErrGenFailure;
            }
            QMetaObject::invokeMethod(
                this, [this, result] { end(result); }, Qt::QueuedConnection);
        });
        if (rc) {
            end(rc);
            return;
        }
        m_timer.start();
        showProgress();
    }

    void showProgress()
    {
        const float progress = m_progress.load();
        if (progress >= 0 && std::isfinite(progress))
            m_bar->glideTo(static_cast<int>(std::min(progress, 1.0f) * kBarRange));
    }

    void end(int result)
    {
        if (m_ended)
            return;
        m_ended = true;
        m_timer.stop();
        done(result);
    }

    UiJob m_job;
    void* m_context;
    std::atomic<float> m_progress{0.0f};
    QLabel* m_label;
    SmoothProgressBar* m_bar;
    std::unique_ptr<StepLabel> m_stepLabel;
    QTimer m_timer;
    std::thread m_thread;
    bool m_ended = false;
};

} // namespace

void setThreadStarter(ThreadStarter starter)
{
    g_starter.store(starter);
}

int asyncOpen(QWidget* owner, UiJob job, void* context)
{
    if (!job)
        return platform::kErrInvalidParameter;
    LoadingDialog dialog(owner, job, context);
    const int result = dialog.exec();
    dialog.join(); // STOP returns only after the job has returned
    return result;
}

} // namespace ui
