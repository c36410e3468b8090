#include "alarmlogproxymodel.h"

#include <QDateTime>

#include <limits>

namespace {

// Null dates sort below every valid one, so a null lower bound lets every
// row through and a null upper bound keeps every dated row out.
qint64 dayNumber(const QDate& date)
{
    return date.isValid() ? date.toJulianDay() : std::numeric_limits<qint64>::min();
}

int digits(const QString& text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// The day of a stored time stamp. Filtering runs over every row of the log,
// so the form the log itself writes is read by hand; anything else goes
// through the general parser.
QDate stampDate(const QString& stamp)
{
    const QString text = stamp.trimmed();
    if (text.size() == 19 && text.at(2) == QLatin1Char('.') && text.at(5) == QLatin1Char('.')
        && text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':') && text.at(16) == QLatin1Char(':')) {
        const int day = digits(text, 0, 2);
        const int month = digits(text, 3, 2);
        const int year = digits(text, 6, 4);
        const int hour = digits(text, 11, 2);
        const int minute = digits(text, 14, 2);
        const int second = digits(text, 17, 2);
        if (day >= 0 && month >= 0 && year >= 0 && QTime::isValid(hour, minute, second))
            return QDate(year, month, day); // null when the day does not exist
        return QDate();
    }
    return QDateTime::fromString(text, QLatin1String(AlarmLogProxyModel::kDateTimeFormat)).date();
}

} // namespace

AlarmLogProxyModel::AlarmLogProxyModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

bool AlarmLogProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* source = sourceModel();
    auto text = [&](int column) { return source->index(sourceRow, column, sourceParent).data().toString(); };
    return accepts(text(1), text(2), text(3), text(4));
}

bool AlarmLogProxyModel::accepts(const QString& stamp, const QString& source, const QString& reason,
                                 const QString& info) const
{
    const qint64 day = dayNumber(stampDate(stamp));
    if (day < dayNumber(fromDate) || day > dayNumber(toDate))
        return false;
    if (source.contains(QLatin1String("Timer")) || reason.contains(QLatin1String("OnOff")))
        return true;
    return info.contains(QLatin1String("sensor")) || info.contains(QLatin1String("Fail"))
        || (showOk && info.contains(QLatin1String("OK")))
        || (showWarning && info.contains(QLatin1String("Warning")))
        || (showCritical && info.contains(QLatin1String("Critical")));
}

void AlarmLogProxyModel::sort(int column, Qt::SortOrder order)
{
    if (column == 0 && order == Qt::DescendingOrder)
        column = -1;
    QSortFilterProxyModel::sort(column, order);
}
