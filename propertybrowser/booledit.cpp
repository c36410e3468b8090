#include "booledit.h"
#include "editorwidgetutils.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMouseEvent>

BoolEdit::BoolEdit(QWidget* parent)
    : QWidget(parent)
    , m_checkBox(new QCheckBox(this))
{
    auto* layout = new QHBoxLayout;
    setupTreeViewEditorMargin(layout);
    layout->addWidget(m_checkBox);
    setLayout(layout);
    connect(m_checkBox, &QCheckBox::toggled, this, &BoolEdit::toggled);
    connect(m_checkBox, &QCheckBox::clicked, this, &BoolEdit::clicked);
    setFocusProxy(m_checkBox);
    updateText();
}

void BoolEdit::setTextVisible(bool visible)
{
    if (m_textVisible == visible)
        return;
    m_textVisible = visible;
    updateText();
}

Qt::CheckState BoolEdit::checkState() const
{
    return m_checkBox->checkState();
}

void BoolEdit::setCheckState(Qt::CheckState state)
{
    m_checkBox->setCheckState(state);
}

bool BoolEdit::isChecked() const
{
    return m_checkBox->isChecked();
}

void BoolEdit::setChecked(bool checked)
{
    m_checkBox->setChecked(checked);
    if (m_textVisible)
        updateText();
}

bool BoolEdit::setCheckBoxSignalsBlocked(bool block)
{
    return m_checkBox->blockSignals(block);
}

void BoolEdit::updateText()
{
    if (m_textVisible)
        m_checkBox->setText(m_checkBox->isChecked() ? tr("True") : tr("False"));
    else
        m_checkBox->setText(QString());
}

void BoolEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton) {
        m_checkBox->click();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void BoolEdit::paintEvent(QPaintEvent*)
{
    paintWidgetPrimitive(this);
}
