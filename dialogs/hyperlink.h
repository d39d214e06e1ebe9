#pragma once

// The link-style text control of the wizard pages: its text centred and underlined, blue,
// red while the mouse is over it, with the hand cursor; releasing the left button over it
// emits clicked with the control's id. It takes the keyboard focus too (Tab), shows it, and
// Space or Enter then work like the click.

#include <QWidget>

namespace ui {

class HyperLink : public QWidget
{
    Q_OBJECT

  public:
    HyperLink(int id, const QString& text, QWidget* parent = nullptr);
    int id() const { return m_id; }
    QString text() const { return m_text; }
    bool hot() const { return m_hot; }
    QSize sizeHint() const override;

  signals:
    void clicked(int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int m_id;
    QString m_text;
    bool m_hot = false;
};

} // namespace ui
