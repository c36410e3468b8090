#include "barcode.h"

#include "propertystream.h"

#include <QDataStream>
#include <QMetaEnum>
#include <QPainter>

namespace {

QList<QPair<int, QString>> enumPairs(const QMetaEnum& meta)
{
    QList<QPair<int, QString>> pairs;
    for (int i = 0; i < meta.keyCount(); ++i)
        pairs.append({meta.value(i), QString::fromLatin1(meta.key(i))});
    return pairs;
}

QString nameOf(const QList<QPair<int, QString>>& pairs, int value)
{
    for (const auto& pair : pairs) {
        if (pair.first == value)
            return pair.second;
    }
    return QString();
}

} // namespace

BarCode::BarCode(QWidget* parent)
    : QWidget(parent)
{
}

void BarCode::setValue(QString value)
{
    m_value = value;
    repaint();
}

void BarCode::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawText(QPoint(0, 0), QString::fromLatin1(PlaceholderText));
}

void BarCode::drawBarcode(QPainter* painter, qreal x, qreal y, qreal w, qreal h)
{
    painter->drawText(QRectF(x, y, w, h), Qt::AlignHCenter | Qt::AlignVCenter, QString::fromLatin1(PlaceholderText));
}

QStringList BarCode::getTypeNames()
{
    QStringList names;
    for (const auto& pair : getTypeList())
        names.append(pair.second);
    return names;
}

QList<QPair<int, QString>> BarCode::getTypeList()
{
    return enumPairs(QMetaEnum::fromType<BarcodeTypes>());
}

QString BarCode::getTypeName(int value)
{
    return nameOf(getTypeList(), value);
}

QList<QPair<int, QString>> BarCode::getFrameTypeList()
{
    return enumPairs(QMetaEnum::fromType<FrameTypes>());
}

QString BarCode::getFrameTypeName(int value)
{
    return nameOf(getFrameTypeList(), value);
}

void BarCode::storeProperties()
{
    setProperty("BarcodeTypes", m_barcodeType);
    setProperty("FrameTypes", m_frameType);
}

void BarCode::restoreProperties()
{
    m_barcodeType = property("BarcodeTypes").toInt();
    m_frameType = property("FrameTypes").toInt();
}

QDataStream& operator<<(QDataStream& out, const BarCode& barcode)
{
    writeObjectProperties(out, barcode);
    return out;
}

QDataStream& operator>>(QDataStream& in, BarCode& barcode)
{
    readObjectProperties(in, barcode, [&barcode] { barcode.storeProperties(); });
    barcode.restoreProperties();
    return in;
}
