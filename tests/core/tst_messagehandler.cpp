#include "messagehandler.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QtTest>

Q_LOGGING_CATEGORY(energizers, "ENERGIZERS")
Q_LOGGING_CATEGORY(tw, "TWSENSORS")

class TestMessageHandler : public QObject
{
    Q_OBJECT
private slots:
    void lineBytes_data();
    void lineBytes();
    void wholeHandlerWritesToStderr();
};

void TestMessageHandler::lineBytes_data()
{
    QTest::addColumn<QByteArray>("category");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("default") << QByteArray("default") << QStringLiteral("hello")
                             << QByteArray("\x1b[30mhello\n");
    QTest::newRow("energizers") << QByteArray("ENERGIZERS") << QStringLiteral("Connected")
                                << QByteArray("\x1b[30m\x1b[34mENERGIZERS: Connected\n");
    QTest::newRow("tw sensors dropped") << QByteArray("TWSENSORS") << QStringLiteral("x") << QByteArray();
    QTest::newRow("other category") << QByteArray("qt.network") << QStringLiteral("oops")
                                    << QByteArray("\x1b[30m\x1b[30mqt.network: oops\n");
    QTest::newRow("placeholder kept") << QByteArray("default") << QStringLiteral("value %1 and %2")
                                      << QByteArray("\x1b[30mvalue %1 and %2\n");
    QTest::newRow("utf-8") << QByteArray("default") << QString::fromUtf8("Ohm \xce\xa9")
                           << QByteArray("\x1b[30mOhm \xce\xa9\n");
}

void TestMessageHandler::lineBytes()
{
    QFETCH(QByteArray, category);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(formatLogLine(category.constData(), text), expected);
}

// The installed handler in a child process: what reaches stderr is exactly the
// formatted line, and a category of no name counts as "default".
void TestMessageHandler::wholeHandlerWritesToStderr()
{
    if (qEnvironmentVariableIsSet("LUMETRA_HANDLER_CHILD")) {
        qInstallMessageHandler(debugMessageHandler);
        qWarning("plain %s", "warning");
        qCDebug(energizers) << "from gateway";
        qCDebug(tw) << "dropped";
        ::exit(0);
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMETRA_HANDLER_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("wholeHandlerWritesToStderr")});
    QVERIFY(child.waitForFinished(-1));
    const QByteArray err = child.readAllStandardError();
    QCOMPARE(err, QByteArray("\x1b[30mplain warning\n\x1b[30m\x1b[34mENERGIZERS: from gateway\n"));
}

QTEST_GUILESS_MAIN(TestMessageHandler)
#include "tst_messagehandler.moc"
