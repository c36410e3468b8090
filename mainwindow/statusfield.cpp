#include "statusfield.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

StatusField::StatusField(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    // Its length asks for no room: the field takes the share it is given.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

// Where the text goes, as a label lays it out: inside the frame and the
// margin, indented from the frame on its aligned side.
QRect StatusField::textRect() const
{
    QRect rect = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int shift = indent() >= 0 ? indent() : (frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
    if (alignment() & Qt::AlignRight)
        rect.setRight(rect.right() - shift);
    else
        rect.setLeft(rect.left() + shift);
    return rect;
}

bool StatusField::isCut() const
{
    return fontMetrics().horizontalAdvance(text()) > textRect().width();
}

void StatusField::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect rect = textRect();
    style()->drawItemText(&painter, rect, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, rect.width()),
                          foregroundRole());
}

bool StatusField::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (isCut())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this, rect());
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}
