#include "propertybrowserutils.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

QString PropertyBrowserUtils::colorText(const QColor &color)
{
    return QCoreApplication::translate("PropertyBrowserUtils", "[%1, %2, %3] (%4)")
        .arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
}

QString PropertyBrowserUtils::fontText(const QFont &font)
{
    return QCoreApplication::translate("PropertyBrowserUtils", "[%1, %2]")
        .arg(font.family(), QString::number(font.pointSize()));
}

// A translucent colour shows as a translucent frame about an opaque core.
QPixmap PropertyBrowserUtils::brushSwatchPixmap(const QBrush &brush)
{
    QImage image(PictureSize, PictureSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, PictureSize, PictureSize, brush);
    const QColor color = brush.color();
    if (color.alpha() != 255) {
        QBrush opaqueBrush = brush;
        QColor opaque = color;
        opaque.setAlpha(255);
        opaqueBrush.setColor(opaque);
        painter.fillRect(PictureSize / 4, PictureSize / 4, PictureSize / 2, PictureSize / 2, opaqueBrush);
    }
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon PropertyBrowserUtils::brushSwatchIcon(const QBrush &brush)
{
    return QIcon(brushSwatchPixmap(brush));
}

QPixmap PropertyBrowserUtils::fontSamplePixmap(const QFont &font)
{
    QFont sampleFont = font;
    sampleFont.setPointSize(FontSamplePointSize);
    QImage image(PictureSize, PictureSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(sampleFont);
    painter.drawText(QRect(0, 0, PictureSize, PictureSize), Qt::AlignCenter, QStringLiteral("A"));
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon PropertyBrowserUtils::fontSampleIcon(const QFont &font)
{
    return QIcon(fontSamplePixmap(font));
}
