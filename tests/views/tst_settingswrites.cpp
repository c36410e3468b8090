#include "alarmlogmodel.h"
#include "alarmlogwidget.h"
#include "apppaths.h"
#include "headerstate.h"
#include "messagecatcher.h"
#include "nightlycleanup.h"
#include "settingsfile.h"
#include "testhome.h"

#include <QDataStream>
#include <QHeaderView>
#include <QProcess>
#include <QSettings>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

// What setting.ini holds must survive damaged bytes and a full disk.
class TestSettingsWrites : public QObject
{
    Q_OBJECT
private slots:
    void damagedHeaderState_data();
    void damagedHeaderState();
    void fullDiskLeavesSettingsIntact();
};

namespace {

// A real state of a five-column table with one count replaced.
QByteArray stateWithCount(int countIndex, quint32 count)
{
    QStandardItemModel model(0, 5);
    QTableView view;
    view.setModel(&model);
    QByteArray state = view.horizontalHeader()->saveState();
    // Offsets of the visual-indices count and of the section-items count.
    const int offsets[] = {4 + 4 + 12 + 1, state.size() - 9 - 5 * 12 - 4};
    if (countIndex >= 0) {
        QByteArray bytes;
        QDataStream(&bytes, QIODevice::WriteOnly) << count;
        state.replace(offsets[countIndex], 4, bytes);
    }
    return state;
}

} // namespace

void TestSettingsWrites::damagedHeaderState_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("fits");
    QTest::newRow("as saved") << stateWithCount(-1, 0) << true;
    QTest::newRow("index count 0x7fffffff") << stateWithCount(0, 0x7fffffff) << false;
    QTest::newRow("section count 0x7fffffff") << stateWithCount(1, 0x7fffffff) << false;
    QTest::newRow("cut short") << stateWithCount(-1, 0).left(40) << false;
    QTest::newRow("not a state") << QByteArray("garbage") << false;
}

// A damaged state is refused before Qt reads it, and the view starts with
// its default widths instead of dying.
void TestSettingsWrites::damagedHeaderState()
{
    QFETCH(QByteArray, state);
    QFETCH(bool, fits);
    QCOMPARE(HeaderState::fits(state, AlarmLogModel::ColumnCount), fits);

    TestHome home;
    QVERIFY(home.openDatabase());
    QVERIFY(SettingsFile::setValue(QLatin1String(AlarmLogWidget::kHeaderStateKey), state));
    MessageCatcher catcher;
    AlarmLogWidget widget;
    const QHeaderView* header = widget.findChild<QTableView*>(QStringLiteral("tableLog"))->horizontalHeader();
    if (!fits) {
        QCOMPARE(header->sectionSize(1), AlarmLogWidget::kDateTimeWidth);
        QCOMPARE(header->sectionSize(3), AlarmLogWidget::kReasonWidth);
        QVERIFY(catcher.contains(QStringLiteral("does not fit")));
    }
}

// A full disk: the write is refused, said once, and the old file stays.
void TestSettingsWrites::fullDiskLeavesSettingsIntact()
{
    QTemporaryDir mountPoint;
    const QString dir = mountPoint.path();
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir}) != 0)
        QSKIP("Cannot mount a small tmpfs here (needs root)");
    const auto unmount = qScopeGuard([&dir] { QProcess::execute(QStringLiteral("umount"), {dir}); });

    const QString path = dir + QStringLiteral("/setting.ini");
    QVERIFY(SettingsFile::setValues({{"AL_KeepDays", 30}, {"Long", QString(8000, QLatin1Char('x'))}}, path));
    QFile ini(path);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();
    QFile filler(dir + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(1024, 'f')) == 1024 && filler.flush()) {
    }
    filler.close();

    const QByteArray home = qgetenv("LUMETRA_HOME");
    qputenv("LUMETRA_HOME", dir.toUtf8());
    MessageCatcher catcher;
    NightlyCleanup cleanup(QStringLiteral("AL_KeepDays"), QStringLiteral("AL_LastClear"));
    cleanup.markDone();
    qputenv("LUMETRA_HOME", home);

    QCOMPARE(catcher.messages().filter(QStringLiteral("Settings not saved")).size(), 1);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), before);
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2); // no temporary file left behind
}

QTEST_MAIN(TestSettingsWrites)
#include "tst_settingswrites.moc"
