#pragma once

#include "abstractpropertymanager.h"
#include "property.h"

#include <QCursor>
#include <QDate>
#include <QFont>
#include <QLocale>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSizePolicy>
#include <QStringList>

// One ordered log of every signal a test listens to, as "name(arg, arg)"
// lines, so that a single comparison checks both the signals and their order.
class EventLog : public QObject
{
public:
    QStringList entries;

    QStringList take()
    {
        QStringList taken = entries;
        entries.clear();
        return taken;
    }

    // A slot that logs its arguments under the given signal name.
    auto recorder(const QString &signalName)
    {
        return [this, signalName](auto... args) {
            const QStringList texts{text(args)...};
            entries << QStringLiteral("%1(%2)").arg(signalName, texts.join(QStringLiteral(", ")));
        };
    }

    template <class Sender, class Signal>
    void watch(Sender *sender, Signal signal, const QString &signalName)
    {
        QObject::connect(sender, signal, this, recorder(signalName));
    }

    void watchStructure(AbstractPropertyManager *manager)
    {
        watch(manager, &AbstractPropertyManager::propertyInserted, QStringLiteral("inserted"));
        watch(manager, &AbstractPropertyManager::propertyChanged, QStringLiteral("changed"));
        watch(manager, &AbstractPropertyManager::propertyRemoved, QStringLiteral("removed"));
        watch(manager, &AbstractPropertyManager::propertyDestroyed, QStringLiteral("destroyed"));
    }

    static QString text(const Property *p) { return p ? p->propertyName() : QStringLiteral("null"); }
    static QString text(Property *p) { return text(static_cast<const Property *>(p)); }
    static QString text(int v) { return QString::number(v); }
    static QString text(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }
    static QString text(double v) { return QString::number(v, 'g', 17); }
    static QString text(const QString &v) { return v; }
    static QString text(const QStringList &v) { return QLatin1Char('[') + v.join(QLatin1Char(' ')) + QLatin1Char(']'); }
    static QString text(const QDate &v) { return v.isValid() ? v.toString(Qt::ISODate) : QStringLiteral("invalid"); }
    static QString text(const QPoint &v) { return QStringLiteral("(%1 %2)").arg(v.x()).arg(v.y()); }
    static QString text(const QPointF &v) { return QStringLiteral("(%1 %2)").arg(v.x()).arg(v.y()); }
    static QString text(const QSize &v) { return QStringLiteral("%1x%2").arg(v.width()).arg(v.height()); }
    static QString text(const QSizeF &v) { return QStringLiteral("%1x%2").arg(v.width()).arg(v.height()); }
    static QString text(const QRect &v)
    {
        return QStringLiteral("[%1 %2 %3x%4]").arg(v.x()).arg(v.y()).arg(v.width()).arg(v.height());
    }
    static QString text(const QRectF &v)
    {
        return QStringLiteral("[%1 %2 %3x%4]").arg(v.x()).arg(v.y()).arg(v.width()).arg(v.height());
    }
    static QString text(const QCursor &v) { return QString::number(v.shape()); }
    static QString text(const QFont &v) { return v.toString(); }
    static QString text(const QLocale &v) { return v.name(); }
    static QString text(const QSizePolicy &v)
    {
        return QStringLiteral("%1/%2/%3/%4").arg(v.horizontalPolicy()).arg(v.verticalPolicy())
            .arg(v.horizontalStretch()).arg(v.verticalStretch());
    }
    template <class T>
    static QString text(const T &) { return QStringLiteral("?"); }
};
