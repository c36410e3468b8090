#include "reportdatabase.h"

#include <QBuffer>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

QByteArray encodedImage(const char* format, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QString makeReportDatabase(const QString& path, const QStringList& texts, const QList<QByteArray>& pictures)
{
    const QString connection = QStringLiteral("reportDatabaseFixture");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table t(a integer, b text, img blob)"));
        q.prepare(QStringLiteral("insert into t values(?, ?, ?)"));
        for (int i = 0; i < texts.size(); ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(texts.at(i));
            q.addBindValue(pictures.value(i));
            q.exec();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return path;
}
