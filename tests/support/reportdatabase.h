#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// A picture of one colour in an image file format ("PNG", "JPG").
QByteArray encodedImage(const char* format, QSize size, QColor color = Qt::red);

// An SQLite file at `path` holding the table t(a integer, b text, img blob)
// with one row per text: a counting from 1, b the text, img the picture of
// the same position (none past the end). Returns `path`.
QString makeReportDatabase(const QString& path, const QStringList& texts, const QList<QByteArray>& pictures);
