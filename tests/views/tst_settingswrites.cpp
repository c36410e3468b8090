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

// A real state of a five-column table whose first section was moved to the
// end (so both index vectors are stored), with section 1 hidden on request.
QByteArray realState(bool hideOne = false)
{
    QStandardItemModel model(0, 5);
    QTableView view;
    view.setModel(&model);
    view.horizontalHeader()->moveSection(0, 4);
    if (hideOne)
        view.horizontalHeader()->hideSection(1);
    return view.horizontalHeader()->saveState();
}

QByteArray patched(QByteArray state, int offset, qint32 value)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << value;
    return state.replace(offset, 4, bytes);
}

// Offsets in realState(): the header fields, the indices and, from the end,
// the five section items (size, count, mode) before the 9 trailing bytes.
enum Offset { Orientation = 8, SortSection = 16, Visual = 25, Logical = 49, HiddenSectionKey = 78 };
int itemOffset(const QByteArray& state, int item, int field)
{
    return state.size() - 9 - 5 * 12 + 12 * item + 4 * field;
}

} // namespace

void TestSettingsWrites::damagedHeaderState_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<bool>("fits");
    const QByteArray state = realState();
    const QByteArray hidden = realState(true);
    QTest::newRow("as saved") << state << true;
    QTest::newRow("as saved, one hidden") << hidden << true;
    QTest::newRow("item count 0x7fffffff") << patched(state, itemOffset(state, 0, 1), 0x7fffffff) << false;
    QTest::newRow("item count 0") << patched(state, itemOffset(state, 2, 1), 0) << false;
    QTest::newRow("item counts above the sections") << patched(state, itemOffset(state, 4, 1), 2) << false;
    QTest::newRow("negative size") << patched(state, itemOffset(state, 1, 0), -100) << false;
    QTest::newRow("huge size") << patched(state, itemOffset(state, 1, 0), 0x7fffff00) << false;
    QTest::newRow("resize mode 9") << patched(state, itemOffset(state, 3, 2), 9) << false;
    QTest::newRow("visual index 5") << patched(state, Visual, 5) << false;
    QTest::newRow("logical indices repeat") << patched(state, Logical + 4, 0) << false;
    QTest::newRow("hidden section 9") << patched(hidden, HiddenSectionKey, 9) << false;
    QTest::newRow("sort section 7") << patched(state, SortSection, 7) << false;
    QTest::newRow("vertical") << patched(state, Orientation, Qt::Vertical) << false;
    QTest::newRow("index count 0x7fffffff") << patched(state, Visual - 4, 0x7fffffff) << false;
    QTest::newRow("trailing bytes") << state + QByteArray(3, 'x') << false;
    QTest::newRow("cut short") << state.left(40) << false;
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
