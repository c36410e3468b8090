#include "selectcolor.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {
const QString ColorBoxName = QStringLiteral("colorBox");
}

SelectColor::SelectColor(QWidget* parent, const QString& color)
    : QWidget(parent)
{
    auto* box = new QWidget(this);
    box->setObjectName(ColorBoxName);
    box->setStyleSheet(styleSheetFor(color));
    button = new QToolButton(this);
    m_layout = new QHBoxLayout(this);
    m_layout->addWidget(box);
    m_layout->addWidget(button);
    m_layout->setContentsMargins(0, 0, 0, 0);
    setLayout(m_layout);
}

QString SelectColor::styleSheetFor(const QString& color)
{
    return QStringLiteral("QWidget#colorBox {;border-width:1px;border-style:solid;"
                          "border-color:rgba(0,0,0,255);border-top-color:rgba(0,0,0,255);"
                          "border-left-color:rgba(0,0,0,255);border-right-color:rgba(0,0,0,255);"
                          "border-bottom-color:rgba(0,0,0,255);color:rgba(0,0,0,255);background-color:")
           + color + QStringLiteral(";}");
}

void SelectColor::setBackgroundColor(const QString& color)
{
    if (auto* box = findChild<QWidget*>(ColorBoxName))
        box->setStyleSheet(styleSheetFor(color));
}

QString SelectColor::getBackgroundColor() const
{
    const auto* box = findChild<QWidget*>(ColorBoxName);
    if (!box)
        return QString();
    const QString sheet = box->styleSheet();
    const int start = sheet.indexOf(QLatin1String(";background-color:"));
    if (start < 0)
        return QString();
    const QString part = sheet.mid(start + 1, sheet.indexOf(QLatin1Char(';'), start + 1) - start - 1);
    const int rgba = part.indexOf(QLatin1String("rgba"));
    return rgba < 0 ? QString() : part.mid(rgba);
}

void SelectColor::setLayoutMargins(int left, int top, int right, int bottom)
{
    m_layout->setContentsMargins(left, top, right, bottom);
}
