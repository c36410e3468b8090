#include "picturecache.h"
#include "reportlogging.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QImageReader>

#include <algorithm>

QImage PictureCache::decode(const QByteArray& bytes, const QByteArray& format, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (qint64(size.width()) * size.height() > MaxPixels) {
        *error = QCoreApplication::translate("ReportEngine", "Picture too large (%1 x %2)").arg(size.width()).arg(size.height());
        qCWarning(lcReport).noquote() << QStringLiteral("Report picture of %1 x %2 pixels not drawn: over %3 megapixels")
                                             .arg(size.width()).arg(size.height()).arg(MaxPixels / 1'000'000);
        return QImage();
    }
    error->clear();
    return reader.read();
}

QImage PictureCache::picture(const QByteArray& bytes, const QByteArray& format, const QSize& size,
                             bool keepProportions, QString* error)
{
    // The same bytes are the same data, shared, record after record.
    auto picture = std::find_if(m_pictures.begin(), m_pictures.end(), [&](const Picture& kept) {
        return kept.format == format && (kept.bytes.constData() == bytes.constData() || kept.bytes == bytes);
    });
    if (picture == m_pictures.end()) {
        Picture made{bytes, format, QImage(), QString(), QSize(), QImage()};
        made.decoded = decode(bytes, format, &made.error);
        picture = m_pictures.insert(m_pictures.end(), std::move(made));
    }
    *error = picture->error;
    if (!keepProportions || picture->decoded.isNull())
        return picture->decoded;
    if (picture->fittedInto != size) {
        picture->fittedInto = size;
        picture->fitted = picture->decoded.scaled(size, Qt::KeepAspectRatio, Qt::FastTransformation);
    }
    return picture->fitted;
}
