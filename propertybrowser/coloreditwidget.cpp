#include "coloreditwidget.h"

#include "chooserhooks.h"
#include "editorwidgetutils.h"
#include "propertybrowserutils.h"

#include <QLabel>
#include <QPointer>
#include <QToolButton>

ColorEditWidget::ColorEditWidget(QWidget* parent)
    : QWidget(parent)
    , m_pixmapLabel(new QLabel)
    , m_label(new QLabel)
    , m_button(new QToolButton)
{
    setupSwatchEditor(this, m_pixmapLabel, m_label, m_button, &ColorEditWidget::buttonClicked);
    showValue();
}

void ColorEditWidget::setValue(const QColor& value)
{
    if (value == m_color)
        return;
    m_color = value;
    showValue();
}

void ColorEditWidget::showValue()
{
    m_pixmapLabel->setPixmap(PropertyBrowserUtils::brushSwatchPixmap(QBrush(m_color)));
    m_label->setText(PropertyBrowserUtils::colorText(m_color));
}

void ColorEditWidget::buttonClicked()
{
    const QRgb oldRgba = m_color.rgba();
    QColor chosen = m_color;
    // The chooser may spin an event loop in which this editor is destroyed.
    QPointer<ColorEditWidget> self(this);
    const bool confirmed = ChooserHooks::chooseColor(chosen, this);
    if (!self || !confirmed || !chosen.isValid())
        return;
    const QRgb newRgba = chosen.rgba();
    if (newRgba == oldRgba)
        return;
    setValue(QColor::fromRgba(newRgba));
    emit valueChanged(m_color);
}

bool ColorEditWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_button && isCellKeyForButton(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void ColorEditWidget::paintEvent(QPaintEvent*)
{
    paintWidgetPrimitive(this);
}
