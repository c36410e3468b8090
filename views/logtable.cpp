#include "logtable.h"
#include "viewslogging.h"

#include "apppaths.h"
#include "databasealert.h"
#include "logmodel.h"
#include "reportengine.h"
#include "reportrows.h"
#include "writebatch.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHeaderView>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

namespace {

// Keeps the rows of a report as long as the report lives.
class ReportRowsHolder : public QObject
{
public:
    ReportRowsHolder(ReportEngine* report, std::unique_ptr<ReportRows> rows)
        : QObject(report)
        , rows(std::move(rows))
    {
        setObjectName(QLatin1String(Name));
    }
    static constexpr const char* Name = "reportRows";
    const std::unique_ptr<ReportRows> rows;
};

bool execBound(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    if (!query.prepare(statement))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

} // namespace

std::unique_ptr<QSettings> LogTable::openSettings()
{
    auto settings = std::make_unique<QSettings>(AppPaths::settings(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

void LogTable::sortByHeader(QTableView* view, LogModel* model)
{
    view->setSortingEnabled(false);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(0, Qt::DescendingOrder);
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, model, [model](int column, Qt::SortOrder order) {
        if (!model->setSort(column, order))
            qCWarning(lcViews) << model->table() << model->lastError().text();
    });
}

bool LogTable::clear(const QString& table, int days)
{
    if (days == 0)
        return deleteRows(table, QStringLiteral("delete FROM ") + table, {});
    // Year, month and day are cut out of the stored "dd.MM.yyyy" prefix;
    // rows whose text does not form a date give NULL and stay.
    return deleteRows(table,
                      QStringLiteral("delete from ") + table
                          + QStringLiteral(" where cast(julianday('now')  as int) - cast(julianday( substr(datetime,7,4) "
                                           "||'-'|| substr(datetime,4,2) || '-' || substr(datetime,1,2) ) as int) - 1 > ?"),
                      {days});
}

bool LogTable::deleteRows(const QString& table, const QString& statement, const QVariantList& values)
{
    const auto failed = [&table](const QString& why) {
        qCWarning(lcViews) << "Log" << table << "not cleared:" << why;
        DatabaseAlert::report(DatabaseAlert::LogNotCleared, why);
        return false;
    };
    if (!WriteBatch::instance().commit())
        return failed(QStringLiteral("earlier log rows are still waiting for the database"));
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return failed(db.lastError().text());
    QSqlQuery query(db);
    if (!execBound(query, statement, values)
        || !execBound(query, QStringLiteral("delete from sqlite_sequence where name=?"), {table})) {
        const QString error = query.lastError().text();
        query.finish();
        db.rollback();
        return failed(error);
    }
    if (!db.commit()) {
        const QString error = db.lastError().text();
        db.rollback();
        return failed(error);
    }
    DatabaseAlert::resolved(DatabaseAlert::LogNotCleared);
    return true;
}

bool LogTable::askClearAll(QWidget* parent, const char* context)
{
    const auto answer = QMessageBox::question(parent, QCoreApplication::translate(context, "Warning"),
                                              QCoreApplication::translate(context, "Realy clear all log?"),
                                              QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes;
}

ReportEngine* LogTable::startReport(QObject* parent, const QString& templateName, std::unique_ptr<ReportRows> rows)
{
    auto* report = new ReportEngine(parent);
    report->recordsCount.append(rows->count());
    new ReportRowsHolder(report, std::move(rows));
    if (!report->loadReport(AppPaths::filePath(templateName)))
        qCWarning(lcViews) << "Report file not found";
    return report;
}

void LogTable::answer(const ReportEngine* report, const QStringList& names, int recNo, const QString& name,
                      QVariant& value, int first, bool asText)
{
    const int column = names.indexOf(name);
    const auto* holder = report ? static_cast<const ReportRowsHolder*>(report->findChild<QObject*>(
                                      QLatin1String(ReportRowsHolder::Name), Qt::FindDirectChildrenOnly))
                                : nullptr;
    if (column < 0 || !holder)
        return;
    const QVariant cell = holder->rows->value(recNo, column + first);
    value = asText ? QVariant(cell.toString()) : cell;
}
