#include "statusfield.h"

#include "textbounds.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QtMath>

StatusField::StatusField(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

namespace {

// The shift of the text from the frame on its aligned side, as a label indents it.
int indentOf(const QLabel* label)
{
    if (label->indent() >= 0)
        return label->indent();
    return label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
}

// A text's width rounded up: a label elides a text a fraction of a pixel
// wider than its room, which a rounded width would not give it.
int widthOf(const QLabel* label, const QString& text)
{
    return qCeil(QFontMetricsF(label->font()).horizontalAdvance(text));
}

} // namespace

// Where the text goes, as a label lays it out: inside the frame and the
// margin, indented from the frame on its aligned side.
QRect StatusField::textRect() const
{
    QRect rect = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (alignment() & Qt::AlignRight)
        rect.setRight(rect.right() - indentOf(this));
    else
        rect.setLeft(rect.left() + indentOf(this));
    return rect;
}

QSize StatusField::sizeAround(int textWidth) const
{
    const int chromeWidth = width() - contentsRect().width() + 2 * margin() + indentOf(this);
    const int chromeHeight = height() - contentsRect().height() + 2 * margin();
    return QSize(textWidth + chromeWidth, fontMetrics().height() + chromeHeight);
}

QSize StatusField::sizeHint() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    return sizeAround(widthOf(this, textFitting(screenWidth))).expandedTo(minimumSizeHint());
}

QSize StatusField::minimumSizeHint() const
{
    return sizeAround(widthOf(this, QString(QChar(0x2026))));
}

QString StatusField::textFitting(int width) const
{
    return leftWhole(text(), lineCapacity(width));
}

bool StatusField::isCut() const
{
    const int width = textRect().width();
    const QString fitting = textFitting(width);
    return fitting.size() < text().size() || widthOf(this, fitting) > width;
}

void StatusField::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect rect = textRect();
    const QString shown = fontMetrics().elidedText(textFitting(rect.width()), Qt::ElideRight, rect.width());
    style()->drawItemText(&painter, rect, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
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
