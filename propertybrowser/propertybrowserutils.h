#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Row texts and small pictures for colour and font values, shared by the
// managers (row text and icon) and the editor widgets (label and picture).
class PropertyBrowserUtils
{
public:
    static constexpr int PictureSize = 16;
    static constexpr int FontSamplePointSize = 13;

    static QString colorText(const QColor &color);
    static QString fontText(const QFont &font);

    static QPixmap brushSwatchPixmap(const QBrush &brush);
    static QIcon brushSwatchIcon(const QBrush &brush);
    static QPixmap fontSamplePixmap(const QFont &font);
    static QIcon fontSampleIcon(const QFont &font);
};
