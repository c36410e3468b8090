#include "fonteditwidget.h"

#include "chooserhooks.h"
#include "editorwidgetutils.h"
#include "propertybrowserutils.h"

#include <QLabel>
#include <QPointer>
#include <QToolButton>

namespace {
// Weights above this count as bold.
constexpr int kBoldThreshold = 57;
constexpr int kBoldWeight = 75;
constexpr int kNormalWeight = 50;

bool isBold(const QFont& font)
{
    return font.weight() > kBoldThreshold;
}

bool isItalic(const QFont& font)
{
    return font.style() != QFont::StyleNormal;
}
// The held font with those attributes of `chosen` that differ from it.
QFont mergedFont(const QFont& held, const QFont& chosen)
{
    QFont merged = held;
    if (chosen.family() != held.family())
        merged.setFamily(chosen.family());
    if (chosen.pointSize() != held.pointSize())
        merged.setPointSize(chosen.pointSize());
    if (isBold(chosen) != isBold(held))
        merged.setWeight(isBold(chosen) ? kBoldWeight : kNormalWeight);
    if (isItalic(chosen) != isItalic(held))
        merged.setStyle(isItalic(chosen) ? QFont::StyleItalic : QFont::StyleNormal);
    if (chosen.underline() != held.underline())
        merged.setUnderline(chosen.underline());
    if (chosen.strikeOut() != held.strikeOut())
        merged.setStrikeOut(chosen.strikeOut());
    return merged;
}

} // namespace

FontEditWidget::FontEditWidget(QWidget* parent)
    : QWidget(parent)
    , m_pixmapLabel(new QLabel)
    , m_label(new QLabel)
    , m_button(new QToolButton)
{
    setupSwatchEditor(this, m_pixmapLabel, m_label, m_button, &FontEditWidget::buttonClicked);
    showValue();
}

void FontEditWidget::setValue(const QFont& value)
{
    if (value == m_font && value.resolve() == m_font.resolve())
        return;
    m_font = value;
    showValue();
}

void FontEditWidget::showValue()
{
    m_pixmapLabel->setPixmap(PropertyBrowserUtils::fontSamplePixmap(m_font));
    m_label->setText(PropertyBrowserUtils::fontText(m_font));
}

void FontEditWidget::buttonClicked()
{
    QFont chosen = m_font;
    // The chooser may spin an event loop in which this editor is destroyed.
    QPointer<FontEditWidget> self(this);
    const bool confirmed = ChooserHooks::chooseFont(chosen, this, tr("Select Font"));
    if (!self || !confirmed || chosen == m_font)
        return;
    setValue(mergedFont(m_font, chosen));
    emit valueChanged(m_font);
}

bool FontEditWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_button && isCellKeyForButton(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void FontEditWidget::paintEvent(QPaintEvent*)
{
    paintWidgetPrimitive(this);
}
