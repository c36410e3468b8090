// A log's print answers from the rows as they stood when printing started.
#include "logtable.h"
#include "reportengine.h"
#include "reportrows.h"

#include <QStandardItemModel>
#include <QtTest>

class TestLogTable : public QObject
{
    Q_OBJECT
private slots:
    void printsSnapshot();
};

void TestLogTable::printsSnapshot()
{
    QStandardItemModel model(3, 3);
    for (int row = 0; row < 3; ++row)
        model.setItem(row, 1, new QStandardItem(QStringLiteral("alarm %1").arg(row)));
    std::unique_ptr<ReportEngine> report(LogTable::startReport(
        nullptr, QStringLiteral("none.xml"), std::make_unique<ModelRows>(model, QVector<int>{0, 1})));
    const auto answer = [&](int recNo) {
        QVariant value;
        LogTable::answer(report.get(), {QStringLiteral("source")}, recNo, QStringLiteral("source"), value);
        return value.toString();
    };
    // An alarm arrives at the top before the report asks for its first value.
    model.insertRow(0, {new QStandardItem, new QStandardItem(QStringLiteral("new alarm"))});
    QCOMPARE(report->recordsCount, QList<int>{3});
    QCOMPARE(answer(0) + answer(2) + answer(3), QStringLiteral("alarm 0alarm 2"));
}

QTEST_MAIN(TestLogTable)
#include "tst_logtable.moc"
