#include "datasourceparam.h"
#include "reportsql.h"

#include <QBuffer>
#include <QDomDocument>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

// SQL data sources of reports on temporary SQLite files: values, pictures,
// every failure neutral, and the program's own connection left alone.
class tst_ReportSql : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsRecordsAndPictures();
    void failuresAreNeutral();
    void programConnectionUntouched();
    void setNamesOnlyForPlainMySqlNames_data();
    void setNamesOnlyForPlainMySqlNames();
    void templateElement();

private:
    QString makeDatabase(const QString& fileName, const QString& b0);
    static QByteArray encoded(const char* format, QSize size);
    QTemporaryDir m_dir;
};

QByteArray tst_ReportSql::encoded(const char* format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QString tst_ReportSql::makeDatabase(const QString& fileName, const QString& b0)
{
    const QString path = m_dir.filePath(fileName);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table t(a integer, b text, img blob)"));
        q.prepare(QStringLiteral("insert into t values(?, ?, ?)"));
        const QList<QVariant> pictures{encoded("PNG", QSize(7, 5)), encoded("JPG", QSize(4, 9)),
                                       QByteArray("no picture")};
        for (int i = 0; i < 3; ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(i == 0 ? b0 : QStringLiteral("row%1").arg(i));
            q.addBindValue(pictures.at(i));
            q.exec();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return path;
}

void tst_ReportSql::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_ReportSql::readsRecordsAndPictures()
{
    ReportSql sql(QStringLiteral("QSQLITE"), makeDatabase(QStringLiteral("b.db"), QStringLiteral("first")),
                  {}, {}, {}, 0, {});
    QVERIFY(sql.openQuery(QStringLiteral("select a, b, img from t order by a"), {}, {}));
    QCOMPARE(sql.getRecordCount(), 3);
    QCOMPARE(sql.getFieldValue(QStringLiteral("b"), 0), QStringLiteral("first"));
    QCOMPARE(sql.getFieldValue(QStringLiteral("b"), 2), QStringLiteral("row2"));
    QCOMPARE(sql.getFieldValue(QStringLiteral("a"), 1), QStringLiteral("2"));
    QCOMPARE(sql.getFieldImage(QStringLiteral("img"), 0).size(), QSize(7, 5));
    QCOMPARE(sql.getFieldImage(QStringLiteral("img"), 1).size(), QSize(4, 9));
    QVERIFY(sql.getFieldImage(QStringLiteral("img"), 2).isNull());

    sql.setObjectName(QStringLiteral("ds"));
    QCOMPARE(sql.getReferenceValue(QStringLiteral("[ds.b]"), 1), QStringLiteral("row1"));
    QCOMPARE(sql.getReferenceImage(QStringLiteral("[ds.img]"), 0).size(), QSize(7, 5));
    QCOMPARE(sql.getReferenceValue(QStringLiteral("[other.b]"), 1), QString());

    QTest::ignoreMessage(QtWarningMsg, "recNo more than recordCount");
    QCOMPARE(sql.getFieldValue(QStringLiteral("b"), 3), QString());
    QTest::ignoreMessage(QtWarningMsg, "recNo more than recordCount");
    QVERIFY(sql.getFieldImage(QStringLiteral("img"), 3).isNull());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No column.*zz")));
    QCOMPARE(sql.getFieldValue(QStringLiteral("zz"), 0), QString());
}

void tst_ReportSql::failuresAreNeutral()
{
    const QString path = makeDatabase(QStringLiteral("f.db"), QStringLiteral("x"));
    {
        ReportSql sql(QStringLiteral("QSQLITE"), path, {}, {}, {}, 0, {});
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no such column")));
        QVERIFY(!sql.openQuery(QStringLiteral("select nope from t"), {}, {}));
        QCOMPARE(sql.getRecordCount(), 0);
        QTest::ignoreMessage(QtWarningMsg, "Query is not active");
        QCOMPARE(sql.getFieldValue(QStringLiteral("b"), 0), QString());
    }
    ReportSql missing(QStringLiteral("QNOPE"), path, {}, {}, {}, 0, {});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Failed open DB")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("database not open")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Driver not loaded")));
    QVERIFY(!missing.openQuery(QStringLiteral("select b from t"), QStringLiteral("utf8"), {}));
    QTest::ignoreMessage(QtWarningMsg, "Query is not active");
    QVERIFY(missing.getFieldImage(QStringLiteral("img"), 0).isNull());
}

void tst_ReportSql::programConnectionUntouched()
{
    const QString programDb = makeDatabase(QStringLiteral("program.db"), QStringLiteral("program"));
    const QString reportDb = makeDatabase(QStringLiteral("report.db"), QStringLiteral("report"));
    QSqlDatabase program = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    program.setDatabaseName(programDb);
    QVERIFY(program.open());
    const QStringList before = QSqlDatabase::connectionNames();
    QTextCodec* codec = QTextCodec::codecForLocale();
    {
        // Neither an empty name nor the default connection's own may take it over.
        ReportSql byDefault(QStringLiteral("QSQLITE"), reportDb, {}, {}, {}, 0, {});
        ReportSql byName(QStringLiteral("QSQLITE"), reportDb, {}, {}, {}, -5, QSqlDatabase::defaultConnection);
        QVERIFY(byDefault.openQuery(QStringLiteral("select b from t"), {}, QStringLiteral("Windows-1251")));
        QVERIFY(byName.openQuery(QStringLiteral("select b from t"), {}, {}));
        QCOMPARE(byName.getFieldValue(QStringLiteral("b"), 0), QStringLiteral("report"));
        QCOMPARE(QSqlDatabase::database(byName.connectionName(), false).port(), -5);
        QCOMPARE(QSqlDatabase::database(byDefault.connectionName(), false).port(), -1);
        QCOMPARE(QSqlDatabase::connectionNames().size(), before.size() + 2);
    }
    QCOMPARE(QSqlDatabase::connectionNames(), before);
    QCOMPARE(QTextCodec::codecForLocale(), codec);
    QSqlQuery q(QSqlDatabase::database());
    QVERIFY(q.exec(QStringLiteral("select b from t")) && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("program"));
}

void tst_ReportSql::setNamesOnlyForPlainMySqlNames_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("coding");
    QTest::addColumn<bool>("sent");
    QTest::newRow("mysql") << "QMYSQL" << "utf8mb4" << true;
    QTest::newRow("mysql3") << "QMYSQL3" << "cp1251" << true;
    QTest::newRow("sqlite") << "QSQLITE" << "utf8" << false;
    QTest::newRow("empty") << "QMYSQL" << "" << false;
    QTest::newRow("lower-case driver") << "qmysql" << "utf8" << false;
    QTest::newRow("quote") << "QMYSQL" << "utf8'; drop table t; --" << false;
    QTest::newRow("blank") << "QMYSQL" << "utf8 " << false;
}

void tst_ReportSql::setNamesOnlyForPlainMySqlNames()
{
    QFETCH(QString, driver);
    QFETCH(QString, coding);
    QTEST(ReportSql::sendsSetNames(driver, coding), "sent");
}

void tst_ReportSql::templateElement()
{
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral(
        "<r><p><DataSource type='SQL' name='old'>x</DataSource>"
        "<DataSource type='SQL' name='ds' dbType='QSQLITE' dbPort='abc'>  select 1  </DataSource></p>"
        "<p><DataSource type='XML' name='ds'/></p></r>")));
    bool found = false;
    const DataSourceParam param = DataSourceParam::fromPageElement(doc.documentElement().firstChildElement(), &found);
    QVERIFY(found);
    QCOMPARE(param.name, QStringLiteral("ds"));
    QCOMPARE(param.sqlQuery, QStringLiteral("select 1"));
    QCOMPARE(param.dbPort, 0);
    QVERIFY(!param.active);
    DataSourceParam::fromPageElement(doc.documentElement().lastChildElement(), &found);
    QVERIFY(!found);
}

QTEST_MAIN(tst_ReportSql)
#include "tst_reportsql.moc"
