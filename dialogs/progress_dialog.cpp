#include "dialogs/progress_dialog.h"

#include "dialogs/artwork.h"
#include "dialogs/formats.h"
#include "platform/errors.h"
#include "platform/clock.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {
namespace {
constexpr int kBarRange = 10000;
constexpr std::uint32_t kAllRead = platform::kErrNoMoreFiles;
constexpr int kCancelled = platform::kErrCancelled;
} // namespace

ImportProgressDialog::ImportProgressDialog(QWidget* parent, Poll poll, Clock clock)
    : QDialog(parent), m_poll(std::move(poll)),
      m_clock(clock ? std::move(clock) : Clock(&platform::tickCount)), m_start(m_clock())
{
    setWindowTitle(QStringLiteral("Analyzing"));
    setWindowIcon(appIcon());
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* label = new QLabel(QStringLiteral("ファイルを解析しています"), this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("1043"));
    m_bar->setRange(0, kBarRange);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(340);
    auto* caption = new QLabel(QStringLiteral("残り時間"), this);
    m_remaining = new QLabel(QStringLiteral("--:--"), this);
    m_remaining->setObjectName(QStringLiteral("1061"));
    m_remaining->setMinimumWidth(
        m_remaining->fontMetrics().horizontalAdvance(QStringLiteral("000:00 sec")));
    auto* stop = new QPushButton(QStringLiteral("&STOP"), this);
    stop->setObjectName(QStringLiteral("2"));
    connect(stop, &QPushButton::clicked, this, &ImportProgressDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_bar);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(caption);
    bottom->addWidget(m_remaining);
    bottom->addStretch();
    bottom->addWidget(stop);
    layout->addLayout(bottom);

    connect(&m_timer, &QTimer::timeout, this, &ImportProgressDialog::tick);
    m_timer.start(kPollMillis);
}

void ImportProgressDialog::tick()
{
    if (m_ended)
        return;
    std::uint64_t read = 0, total = 0;
    const std::uint32_t rc = m_poll(&read, &total);
    if (rc != 0) {
        m_ended = true;
        m_timer.stop();
        done(rc == kAllRead ? 0 : static_cast<int>(rc));
        return;
    }
    // Until something has been read there is no estimate: the bar stays empty and the
    // time shows "--:--".
    read = std::min(read, total);
    if (total > 0)
        m_bar->setValue(static_cast<int>(static_cast<double>(read) / total * kBarRange));
    const std::uint32_t elapsed = m_clock() - m_start;
    m_remaining->setText(
        QString::fromStdString(remainingTimeText(remainingSeconds(elapsed, read, total))));
}

void ImportProgressDialog::reject()
{
    if (m_ended)
        return;
    m_ended = true;
    m_timer.stop();
    done(kCancelled);
}

} // namespace ui
