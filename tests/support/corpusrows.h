#pragma once

#include <QDir>
#include <QtTest>

// One data row, column "input", per file of a fuzz corpus, named after the
// file: the tests that replay a corpus call it from their _data() function.
inline void addCorpusRows(const QString& dir)
{
    QTest::addColumn<QByteArray>("input");
    const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), qPrintable(dir));
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(info.fileName())) << file.readAll();
    }
}
