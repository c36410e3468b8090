#include "databasealert.h"
#include "modalanswerer.h"
#include "scopedhook.h"

#include <QtTest>

#include <memory>

// What a test step puts in place for itself goes with the step, however it
// ends: a failed check returns from the step at once, and a hook or an
// answer left behind would reach the next step through what it captured.
class TestStepIsolation : public QObject
{
    Q_OBJECT
    std::weak_ptr<QStringList> m_captured;
private slots:
    void stepLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("first");
        QTest::newRow("a step that returns early") << true;
        QTest::newRow("the step after it") << false;
    }
    void stepLeavesNothingBehind()
    {
        QFETCH(bool, first);
        if (!first) {
            QTRY_VERIFY(m_captured.expired());
            return;
        }
        const auto told = std::make_shared<QStringList>();
        m_captured = told;
        const ScopedHook notifier(&DatabaseAlert::setNotifier, [told](const QString& text, bool) { *told << text; });
        answerNextModal([told](QWidget*) { *told << QStringLiteral("answered"); });
        // Returns as a failed QVERIFY does, before any dialog came.
    }
};

QTEST_MAIN(TestStepIsolation)
#include "tst_stepisolation.moc"
