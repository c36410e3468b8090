#include "clickablelabel.h"

#include <QTimerEvent>

ClickableLabel::ClickableLabel(QWidget* parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::timerEvent(QTimerEvent*)
{
    // No second release came in time: it was a single click.
    m_clickTimer.stop();
    emit clicked();
}

void ClickableLabel::mousePressEvent(QMouseEvent*)
{
    // Clicks count on release; the press is swallowed so the label does not
    // start a text selection.
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent*)
{
    if (m_clickTimer.isActive()) {
        m_clickTimer.stop();
        emit doubleClicked();
    } else {
        m_clickTimer.start(DoubleClickInterval, this);
    }
}

void ClickableLabel::setUnderline(bool on)
{
    QFont underlined = font();
    underlined.setUnderline(on);
    setFont(underlined);
}

void ClickableLabel::enterEvent(QEvent*)
{
    if (m_hoverUnderline)
        setUnderline(true);
}

void ClickableLabel::leaveEvent(QEvent*)
{
    if (m_hoverUnderline)
        setUnderline(false);
}
