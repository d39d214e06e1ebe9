#pragma once

// The "Analyzing" dialog: polls the import every 500 ms, shows the share done (the bar
// glides between polls), the file being read and the time still to go, and ends with 0
// when all input is read, with the import's error, or with 1223 when the user stops it.

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;

namespace ui {

class SmoothProgressBar;

// An input of the import as the dialog names it: its path and its size when the import
// began.
struct ImportInput
{
    std::string path;
    std::uint64_t size = 0;
};

class ImportProgressDialog : public QDialog
{
    Q_OBJECT

  public:
    static constexpr int kPollMillis = 500;

    // poll: laGetProgress of the running job; clock: a millisecond tick.
    using Poll = std::function<std::uint32_t(std::uint64_t* done, std::uint64_t* total)>;
    using Clock = std::function<std::uint32_t()>;
    // inputs: the import's inputs in the order it reads them, so that the dialog can name
    // the one being read (none: no name is shown).
    ImportProgressDialog(QWidget* parent, Poll poll, Clock clock = {},
                         std::vector<ImportInput> inputs = {});

    // One poll, as the timer makes it every 500 ms.
    void tick();

    // STOP, Escape and closing the window stop the import.
    void reject() override;

  private:
    Poll m_poll;
    Clock m_clock;
    std::uint32_t m_start;
    QTimer m_timer;
    std::vector<ImportInput> m_inputs;
    std::vector<std::uint64_t> m_sizes;
    SmoothProgressBar* m_bar;
    QLabel* m_file;
    QLabel* m_remaining;
    bool m_ended = false;
};

} // namespace ui
