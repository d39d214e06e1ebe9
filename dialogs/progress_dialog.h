#pragma once

// The "Analyzing" dialog: polls the import every 500 ms, shows the share done and the time
// still to go, and ends with 0 when all input is read, with the import's error, or with
// 1223 when the user stops it.

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;

namespace ui {

class ImportProgressDialog : public QDialog
{
    Q_OBJECT

  public:
    static constexpr int kPollMillis = 500;

    // poll: laGetProgress of the running job; clock: a millisecond tick.
    using Poll = std::function<std::uint32_t(std::uint64_t* done, std::uint64_t* total)>;
    using Clock = std::function<std::uint32_t()>;
    ImportProgressDialog(QWidget* parent, Poll poll, Clock clock = {});

    // One poll, as the timer makes it every 500 ms.
    void tick();

    // STOP, Escape and closing the window stop the import.
    void reject() override;

  private:
    Poll m_poll;
    Clock m_clock;
    std::uint32_t m_start;
    QTimer m_timer;
    QProgressBar* m_bar;
    QLabel* m_remaining;
    bool m_ended = false;
};

} // namespace ui
