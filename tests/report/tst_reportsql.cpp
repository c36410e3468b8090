#include "datasourceparam.h"
#include "reportdatasources.h"
#include "reportdatabase.h"
#include "reportsql.h"
#include "scopedhook.h"
#include "testhome.h"

#include <QDomDocument>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <dlfcn.h>

namespace {

// A function "codec()" in every SQLite connection opened from now on gives the
// locale codec when the database runs it, as a driver converting through it sees it.
void* sqliteSymbol(const char* name)
{
    return dlsym(dlopen("libsqlite3.so.0", RTLD_NOW), name);
}

void codecFunction(void* context, int, void**)
{
    using Result = void (*)(void*, const char*, int, void (*)(void*));
    reinterpret_cast<Result>(sqliteSymbol("sqlite3_result_text"))(
        context, QTextCodec::codecForLocale()->name().constData(), -1, reinterpret_cast<void (*)(void*)>(-1));
}

int addCodecFunction(void* db, char**, const void*)
{
    using Create = int (*)(void*, const char*, int, int, void*, void (*)(void*, int, void**), void*, void*);
    return reinterpret_cast<Create>(sqliteSymbol("sqlite3_create_function"))(db, "codec", 0, 1, nullptr, codecFunction, nullptr, nullptr);
}

} // namespace

// SQL data sources of reports on temporary SQLite files: values, pictures,
// every failure neutral, and the program's own connection left alone.
class tst_ReportSql : public QObject
{
    Q_OBJECT

private slots:
    void readsRecordsAndPictures();
    void failuresAreNeutral();
    void programConnectionUntouched();
    void charsetWhileReading();
    void setNamesOnlyForPlainMySqlNames_data();
    void setNamesOnlyForPlainMySqlNames();
    void pageSources();
    void longStepLetsEventsThroughAndStops();
    void boundsStopQuery_data();
    void boundsStopQuery();
    void templateOnlyReads_data();
    void templateOnlyReads();

private:
    QString makeDatabase(const QString& fileName, const QString& b0);
    QTemporaryDir m_dir;
};

QString tst_ReportSql::makeDatabase(const QString& fileName, const QString& b0)
{
    return makeReportDatabase(m_dir.filePath(fileName), {b0, QStringLiteral("row1"), QStringLiteral("row2")},
                              {encodedImage("PNG", {7, 5}), encodedImage("JPG", {4, 9}), QByteArray("no picture")});
}

void tst_ReportSql::readsRecordsAndPictures()
{
    QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
    writer.setDatabaseName(makeDatabase("b.db", "first"));
    QSqlQuery write(writer.open() ? writer : QSqlDatabase());
    QVERIFY(write.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && write.next());
    write.finish();
    ReportSql sql("QSQLITE", writer.databaseName(), {}, {}, {}, 0, {});
    QVERIFY(sql.openQuery(QStringLiteral("select a, b, img from t order by a"), {}, {}));
    // What the count saw is read, however the rows change meanwhile.
    QVERIFY(write.exec(QStringLiteral("insert into t (a, b) values (0, 'later')")));
    QCOMPARE(sql.getRecordCount(), 3);
    QCOMPARE(sql.getFieldValue("b", 0), QStringLiteral("first"));
    QCOMPARE(sql.getFieldValue("b", 2), QStringLiteral("row2"));
    QCOMPARE(sql.getFieldValue("a", 1), QStringLiteral("2"));
    QCOMPARE(sql.getFieldImage("img", 1).size(), QSize(4, 9));
    QVERIFY(sql.getFieldImage("img", 2).isNull());
    sql.setObjectName(QStringLiteral("ds"));
    QCOMPARE(sql.getReferenceValue("[ds.b]", 1), QStringLiteral("row1"));
    QCOMPARE(sql.getReferenceImage("[ds.img]", 0).size(), QSize(7, 5));
    QCOMPARE(sql.getReferenceValue("[other.b]", 1), QString());

    QTest::ignoreMessage(QtWarningMsg, "recNo more than recordCount");
    QCOMPARE(sql.getFieldValue("b", 3), QString());
    QTest::ignoreMessage(QtWarningMsg, "recNo more than recordCount");
    QVERIFY(sql.getFieldImage("img", 3).isNull());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No column.*zz"));
    QCOMPARE(sql.getFieldValue("zz", 0), QString());
}

void tst_ReportSql::failuresAreNeutral()
{
    const QString path = makeDatabase("f.db", "x");
    {
        ReportSql sql("QSQLITE", path, {}, {}, {}, 0, {});
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such column"));
        QVERIFY(!sql.openQuery(QStringLiteral("select nope from t"), {}, {}));
        QCOMPARE(sql.getRecordCount(), 0);
        QTest::ignoreMessage(QtWarningMsg, "Query is not active");
        QCOMPARE(sql.getFieldValue("b", 0), QString());
    }
    ReportSql missing("QNOPE", path, {}, {}, {}, 0, {});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed open DB"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("database not open"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The data source  was not read: .*f.db could not be opened \\(Driver not loaded\\)"));
    QVERIFY(!missing.openQuery(QStringLiteral("select b from t"), QStringLiteral("utf8"), {}));
    QTest::ignoreMessage(QtWarningMsg, "Query is not active");
    QVERIFY(missing.getFieldImage("img", 0).isNull());
}

void tst_ReportSql::programConnectionUntouched()
{
    QSqlDatabase program = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    program.setDatabaseName(makeDatabase("program.db", "program"));
    QVERIFY(program.open());
    const QString reportDb = makeDatabase("report.db", "report");
    const QStringList before = QSqlDatabase::connectionNames();
    QTextCodec* codec = QTextCodec::codecForLocale();
    {
        // Neither an empty name nor the default connection's own may take it over.
        ReportSql byDefault("QSQLITE", reportDb, {}, {}, {}, 0, {});
        ReportSql byName("QSQLITE", reportDb, {}, {}, {}, -5, QSqlDatabase::defaultConnection);
        QVERIFY(byDefault.openQuery(QStringLiteral("select b from t"), {}, QStringLiteral("Windows-1251")));
        QVERIFY(byName.openQuery(QStringLiteral("select b from t"), {}, {}));
        QCOMPARE(byName.getFieldValue("b", 0), QStringLiteral("report"));
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

// The template's codec converts the source's bytes; the program's own, which
// the events let through during the query use, stays.
void tst_ReportSql::charsetWhileReading()
{
    auto autoExtension = reinterpret_cast<int (*)(void (*)())>(sqliteSymbol("sqlite3_auto_extension"));
    QVERIFY(autoExtension && autoExtension(reinterpret_cast<void (*)()>(addCodecFunction)) == 0);
    QTextCodec* codec = QTextCodec::codecForLocale();
    ReportSql sql("QSQLITE", makeDatabase("codec.db", "x"), {}, {}, {}, 0, {});
    QVERIFY(sql.openQuery(QStringLiteral("select codec() as c, x'cff0e8e2b3f2' as b from t"), {}, QStringLiteral("Windows-1251")));
    QCOMPARE(sql.getFieldValue("c", 2), QString::fromLatin1(codec->name()));
    QCOMPARE(sql.getFieldValue("b", 2), QStringLiteral("Привіт"));
    QCOMPARE(QTextCodec::codecForLocale(), codec);
}

void tst_ReportSql::setNamesOnlyForPlainMySqlNames_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("coding");
    QTest::addColumn<bool>("sent");
    QTest::newRow("mysql") << "QMYSQL" << "utf8mb4" << true;
    QTest::newRow("sqlite") << "QSQLITE" << "utf8" << false;
    QTest::newRow("empty") << "QMYSQL" << "" << false;
    QTest::newRow("quote") << "QMYSQL3" << "utf8'; drop table t; --" << false;
}

void tst_ReportSql::setNamesOnlyForPlainMySqlNames()
{
    QFETCH(QString, driver);
    QFETCH(QString, coding);
    QTEST(ReportSql::sendsSetNames(driver, coding), "sent");
}

void tst_ReportSql::pageSources()
{
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral(
        "<r><p><DataSource type='SQL' name='old'>x</DataSource><DataSource type='SQL' name='ds' dbType='QSQLITE' "
        "dbPort='abc' dbName='%1'>  select b from t order by a  </DataSource></p>"
        "<p><DataSource type='XML' name='ds'/></p></r>").arg(makeDatabase("page.db", "page"))));
    const QDomElement page0 = doc.documentElement().firstChildElement();
    ReportDataSources sources;
    QList<int> counts{5};
    QVERIFY(sources.openDataSource(0, page0, counts));
    const int connections = QSqlDatabase::connectionNames().size();
    QVERIFY(sources.openDataSource(0, page0, counts)); // a repaint: the old source goes
    QCOMPARE(QSqlDatabase::connectionNames().size(), connections);
    QVERIFY(!sources.openDataSource(1, doc.documentElement().lastChildElement(), counts));
    QCOMPARE(counts, QList<int>({5, 3, 3}));
    QCOMPARE(sources.source(0)->objectName(), QStringLiteral("ds"));
    QCOMPARE(sources.source(0)->getFieldValue("b", 2), QStringLiteral("row2"));
    QVERIFY(!sources.source(1) && !sources.source(-1));
    QCOMPARE(QSqlDatabase::database(sources.source(0)->connectionName(), false).port(), -1); // "abc"

    // A program record wins over the template; the engine-wide query over both.
    DataSourceParam param("prog", "QSQLITE", makeDatabase("prog.db", "prog"), {}, {}, {}, 0, {}, "select 1", {}, {});
    sources.setDataSource(2, param);
    QVERIFY(!sources.getDataSource(1).active && sources.getDataSource(2).active);
    QCOMPARE(sources.getDataSource(9).dbType, QString());
    sources.setSqlQuery(QStringLiteral("select b from t where a > 1"));
    QVERIFY(sources.openDataSource(2, page0, counts));
    QCOMPARE(sources.source(2)->objectName(), QStringLiteral("prog"));
    QCOMPARE(counts.last(), 2);
    sources.setDataSourceActive(2, false);
    QVERIFY(sources.openDataSource(2, page0, counts));
    QCOMPARE(sources.source(2)->getFieldValue("b", 0), QStringLiteral("row1"));
}

// One step that never ends (a count over rows that never end) still asks
// whether to go on, and stops when told, leaving no records.
void tst_ReportSql::longStepLetsEventsThroughAndStops()
{
    ReportSql sql("QSQLITE", QStringLiteral(":memory:"), {}, {}, {}, 0, {});
    int asked = 0;
    sql.setKeepGoing([&asked] { return ++asked < 3; });
    sql.openQuery(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c"), {}, {});
    QCOMPARE(asked, 3);
    QCOMPARE(sql.getRecordCount(), 0);
}

void tst_ReportSql::boundsStopQuery_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("records");
    const QString steps = QStringLiteral("its query took more than 1000000 steps without giving a record, more than a report waits for.");
    const QString time = QStringLiteral("its query worked longer than 0.5 s, more than a report waits for.");
    QTest::newRow("sorted, no record") << "x FROM c ORDER BY x DESC" << steps << 0;
    QTest::newRow("counted, no record") << "count(*) FROM c" << steps << 0;
    QTest::newRow("records, then none") << "x FROM c WHERE x < 3" << steps << 0;
    QTest::newRow("a record now and then") << "x FROM c WHERE x % 200 = 0" << time << 0;
    QTest::newRow("costly rows") << "count(*) FROM c WHERE length(hex(zeroblob(1000 + x - x))) < 0" << time << 0;
    QTest::newRow("a value past its size")
        << "printf('%.*c', 3000000, 'x') FROM c" << "its query gives a value of more than 2 MB, more than a report prints." << 0;
    QTest::newRow("a sort past the temporary storage")
        << "randomblob(10000) AS b FROM c ORDER BY b"
        << "its query needs more than 4 MB of temporary storage, more than a report takes." << 0;
    QTest::newRow("many records, each in few steps") << "x FROM c LIMIT 300000" << QString() << 300000;
}

// A query that never ends stops by itself, also when no record comes, and
// its sort fills no disk: the page and the log say why. A long source whose
// records come in time is read whole.
void tst_ReportSql::boundsStopQuery()
{
    QFETCH(QString, select);
    QFETCH(QString, reason);
    const ScopedHook steps(&ReportSql::setStepLimit, 1'000'000, ReportSql::DefaultStepLimit);
    const ScopedHook time(&ReportSql::setTimeLimit, 500, ReportSql::DefaultTimeLimitMs);
    // Time passes a millisecond a look in the rows about time, else none: however busy the machine.
    qint64 now = 0;
    const qint64 tick = reason.contains(QStringLiteral("worked longer")) ? 1'000'000 : 0;
    const ScopedHook clock(&ReportSql::setClock, [&now, tick] { return now += tick; });
    const ScopedHook value(&ReportSql::setValueLimit, 2 * 1024 * 1024, ReportSql::DefaultValueBytes);
    const ScopedHook temporary(&ReportSql::setTempLimit, 4 * 1024 * 1024, ReportSql::DefaultTempBytes);
    const QString query = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT ") + select;
    ReportSql sql("QSQLITE", QStringLiteral(":memory:"), {}, {}, {}, 0, {});
    sql.setObjectName(QStringLiteral("ds"));
    int asked = 0; // were it not stopped, some seconds on; a source that ends is read to its end
    sql.setKeepGoing([&asked, &reason] { return reason.isEmpty() || ++asked < 200; });
    const QString line = reason.isEmpty() ? reason : QStringLiteral("The data source ds was stopped: ") + reason;
    if (!reason.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(line + QStringLiteral(" Query: ") + query));
    sql.openQuery(query, {}, {});
    QCOMPARE(sql.noRecordsReason(), line);
    QTEST(sql.getRecordCount(), "records");
}

void tst_ReportSql::templateOnlyReads_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("delete") << "DELETE FROM logAlarm";
    QTest::newRow("attach") << "ATTACH '%1' AS made";
    QTest::newRow("copy") << "VACUUM INTO '%1'";
}

// Whatever a template's SQL says, the program's database keeps its rows and
// no file is made beside it.
void tst_ReportSql::templateOnlyReads()
{
    QFETCH(QString, statement);
    TestHome home;
    QVERIFY(home.isValid() && home.openDatabase());
    QSqlQuery insert;
    QVERIFY(insert.exec(QStringLiteral("INSERT INTO logAlarm (source) VALUES ('Gateway 1')")));
    const QString made = home.filePath(QStringLiteral("made.db"));
    QDomDocument doc;
    QVERIFY(doc.setContent(QStringLiteral("<p><DataSource type='SQL' name='ds' dbType='QSQLITE' dbName='%1'>%2</DataSource></p>")
                               .arg(home.filePath(QStringLiteral("brenik.db")), statement.arg(made).toHtmlEscaped())));
    ReportDataSources sources;
    QList<int> counts;
    sources.openDataSource(0, doc.documentElement(), counts);
    QSqlQuery rows(QStringLiteral("SELECT count(*) FROM logAlarm"));
    QVERIFY(rows.next() && rows.value(0).toInt() == 1 && !QFile::exists(made));
}

QTEST_MAIN(tst_ReportSql)
#include "tst_reportsql.moc"
