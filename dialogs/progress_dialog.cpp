#include "dialogs/progress_dialog.h"

#include "dialogs/artwork.h"
#include "dialogs/formats.h"
#include "dialogs/smooth_progress_bar.h"
#include "platform/clock.h"
#include "platform/errors.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {
namespace {
constexpr int kBarRange = 10000;
constexpr std::uint32_t kAllRead = platform::kErrNoMoreFiles;
constexpr int kCancelled = platform::kErrCancelled;
} // namespace

ImportProgressDialog::ImportProgressDialog(QWidget* parent, Poll poll, Clock clock,
                                           std::vector<ImportInput> inputs)
    : QDialog(parent), m_poll(std::move(poll)),
      m_clock(clock ? std::move(clock) : Clock(&platform::tickCount)), m_start(m_clock()),
      m_inputs(std::move(inputs))
{
    for (const ImportInput& input : m_inputs)
        m_sizes.push_back(input.size);
    setWindowTitle(QStringLiteral("Analyzing"));
    setWindowIcon(appIcon());
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* label = new QLabel(QStringLiteral("ファイルを解析しています"), this);
    m_bar = new SmoothProgressBar(kPollMillis, this);
    m_bar->setObjectName(QStringLiteral("1043"));
    m_bar->setRange(0, kBarRange);
    m_bar->setValue(0);
    m_bar->setMinimumWidth(340);
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("currentFile"));
    m_file->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_file->setVisible(!m_inputs.empty());
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
    layout->addWidget(m_file);
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
        m_bar->glideTo(static_cast<int>(static_cast<double>(read) / total * kBarRange));
    const std::size_t current = currentInput(m_sizes, read);
    if (current < m_inputs.size()) {
        const QString path = QFile::decodeName(m_inputs[current].path.c_str());
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        const QString count = QStringLiteral(" (%1/%2)").arg(current + 1).arg(m_inputs.size());
        const int room = std::max(m_file->width(), m_bar->width()) -
                         m_file->fontMetrics().horizontalAdvance(count);
        m_file->setText(m_file->fontMetrics().elidedText(name, Qt::ElideMiddle, room) + count);
        m_file->setToolTip(path);
    }
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
