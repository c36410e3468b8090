// A log's print answers from the rows as they stood when printing started.
#include "logtable.h"
#include "reportengine.h"

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
    const QStringList names{QStringLiteral("source"), QStringLiteral("reason")};
    const auto answer = [&](int recNo) {
        QVariant value;
        LogTable::answer(&model, names, recNo, QStringLiteral("source"), value);
        return value.toString();
    };
    std::unique_ptr<ReportEngine> report(LogTable::startReport(nullptr, QStringLiteral("none.xml"), 3));
    QCOMPARE(answer(0), QStringLiteral("alarm 0"));
    // An alarm arrives at the top while the preview is open.
    model.insertRow(0, {new QStandardItem, new QStandardItem(QStringLiteral("new alarm"))});
    QCOMPARE(answer(0) + answer(2), QStringLiteral("alarm 0alarm 2"));
    report.reset();
    QCOMPARE(answer(0), QStringLiteral("new alarm"));
}

QTEST_MAIN(TestLogTable)
#include "tst_logtable.moc"
