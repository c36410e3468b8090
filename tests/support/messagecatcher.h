#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Records every diagnostic message while it lives (from any thread) and still
// passes them on to the previous handler. Tests assert on what was logged, and
// fail on warnings that always mean a wiring fault.
class MessageCatcher
{
public:
    MessageCatcher();
    ~MessageCatcher();

    QStringList messages() const;
    bool contains(const QString& fragment) const;
    void clear();

    // Messages that mean a cross-thread or connection fault anywhere in the program.
    QStringList wiringFaults() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    mutable QMutex m_mutex;
    QStringList m_messages;
    QtMessageHandler m_previous = nullptr;
    MessageCatcher* m_outer = nullptr;
};
