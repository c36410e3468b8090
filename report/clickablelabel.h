#pragma once

#include <QBasicTimer>
#include <QLabel>

// A label that behaves like a link: pointing-hand cursor, an optional
// underline while the pointer is over it, and clicked() told apart from
// doubleClicked() by waiting DoubleClickInterval after a release.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    static constexpr int DoubleClickInterval = 300; // ms

    explicit ClickableLabel(QWidget* parent = nullptr);
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

    void setHoverUnderline(bool on) { m_hoverUnderline = on; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setUnderline(bool on);

    QBasicTimer m_clickTimer;
    bool m_hoverUnderline = false;
};
