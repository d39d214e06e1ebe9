#pragma once

// A progress bar that glides to each new position instead of jumping to it, so that a share
// polled twice a second still moves steadily. It shows the percentage.

#include <QProgressBar>
#include <QVariantAnimation>

namespace ui {

class SmoothProgressBar : public QProgressBar
{
    Q_OBJECT

  public:
    // glideMillis: how long the bar takes to reach a new position (the polling interval).
    explicit SmoothProgressBar(int glideMillis, QWidget* parent = nullptr);

    // value() becomes `position` at once; the drawing (bar and percentage) reaches it over
    // the glide time. A position below the drawn one is shown at once.
    void glideTo(int position);
    // The position drawn now.
    int shownValue() const { return m_shown; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QVariantAnimation m_glide;
    int m_shown = 0;
};

} // namespace ui
