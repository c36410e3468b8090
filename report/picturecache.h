#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

// The pictures a report's template embeds, each decoded once for a report
// and kept at the size it is painted at, however many records show it. A
// picture whose header names more pixels than MaxPixels is not decoded:
// it would take gigabytes, and its field prints why instead.
class PictureCache
{
public:
    static constexpr qint64 MaxPixels = 100'000'000;

    // The picture of `bytes` in `format` for a box of `size`: as it is when
    // stretched over the box, fitted into it keeping its proportions when
    // `keepProportions`. Null for bytes that are no picture, and, with
    // `error` set to the text its field prints, for one over MaxPixels.
    QImage picture(const QByteArray& bytes, const QByteArray& format, const QSize& size, bool keepProportions,
                   QString* error);
    void clear() { m_pictures.clear(); }

    // Decodes a picture unless its header names more than MaxPixels pixels;
    // then returns null with the text its field prints in `error`, and logs it.
    static QImage decode(const QByteArray& bytes, const QByteArray& format, QString* error);

private:
    struct Picture
    {
        QByteArray bytes;
        QByteArray format;
        QImage decoded;
        QString error;
        QSize fittedInto;
        QImage fitted;
    };
    std::vector<Picture> m_pictures;
};
