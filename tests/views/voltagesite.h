#pragma once

#include "node.h"
#include "treemodel.h"
#include "writebatch.h"

#include <QDate>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QtTest>

// An energizer model with one gateway and `count` energizers named
// "Energ1"…, and direct access to the rows of logVoltage.
struct VoltageRow
{
    QString datetime;
    double voltage = 0;
    int sector = 0;
    int energizerNo = 0;
};

class VoltageSite
{
public:
    explicit VoltageSite(int count)
    {
        auto* root = new Node(QStringLiteral("Name"));
        model.setRootNode(root);
        gateway = new Node(QStringLiteral("127.0.0.1"), root);
        for (int i = 1; i <= count; ++i)
            (new Node(QStringLiteral("Energ%1").arg(i), gateway))->type = Node::StatusRow;
    }

    Node* energizer(int number) const { return gateway->child(number - 1); }

    static void insert(const QString& datetime, double voltage, int sector, int energizerNo)
    {
        QSqlQuery query;
        query.prepare(QStringLiteral("insert into logVoltage(datetime, voltage, sector, energizer_no) values(?, ?, ?, ?)"));
        query.addBindValue(datetime);
        query.addBindValue(voltage);
        query.addBindValue(sector);
        query.addBindValue(energizerNo);
        if (!query.exec())
            QFAIL(qPrintable(query.lastError().text()));
    }

    static QList<VoltageRow> rows()
    {
        WriteBatch::instance().commit();
        QList<VoltageRow> result;
        QSqlQuery query(QStringLiteral("select datetime, voltage, sector, energizer_no from logVoltage order by id"));
        while (query.next())
            result.append({query.value(0).toString(), query.value(1).toDouble(), query.value(2).toInt(), query.value(3).toInt()});
        return result;
    }

    static int rowCount() { return rows().size(); }

    static int sequenceRows()
    {
        QSqlQuery query(QStringLiteral("select count(*) from sqlite_sequence where name = 'logVoltage'"));
        return query.next() ? query.value(0).toInt() : -1;
    }

    // The date SQLite's whole julian day of its real now falls on.
    static QDate julianNowDate()
    {
        QSqlQuery query(QStringLiteral("select date(cast(julianday('now') as int) + 0.5)"));
        return query.next() ? QDate::fromString(query.value(0).toString(), Qt::ISODate) : QDate();
    }

    TreeModel model;
    Node* gateway = nullptr;
};
