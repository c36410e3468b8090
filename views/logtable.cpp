#include "logtable.h"
#include "viewslogging.h"

#include "apppaths.h"
#include "databasealert.h"
#include "reportengine.h"
#include "writebatch.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

namespace {

// The rows a report prints, as they stood when it first asked for them: the
// record count is fixed when printing starts, and a log that gains a row at
// the top while the preview is open must change neither the second pass nor
// a later repaint or export. Lives as long as its report.
class ReportSnapshot : public QObject
{
public:
    explicit ReportSnapshot(ReportEngine* report) : QObject(report) {}

    QString text(const QAbstractItemModel* model, int columns, int row, int column)
    {
        auto rows = m_rows.find(model);
        if (rows == m_rows.end())
            rows = m_rows.insert(model, take(model, columns));
        return row >= 0 && row < rows->size() ? rows->at(row).value(column - 1) : QString();
    }

private:
    static QVector<QStringList> take(const QAbstractItemModel* model, int columns)
    {
        QVector<QStringList> rows(model->rowCount());
        for (int row = 0; row < rows.size(); ++row) {
            for (int column = 1; column <= columns; ++column)
                rows[row] << model->index(row, column).data().toString();
        }
        return rows;
    }

    QHash<const QAbstractItemModel*, QVector<QStringList>> m_rows;
};

bool execBound(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    if (!query.prepare(statement))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

// The snapshot of the report being printed now (print previews are modal,
// one at a time); it goes with its report.
QPointer<ReportSnapshot>& printingSnapshot()
{
    static QPointer<ReportSnapshot> snapshot;
    return snapshot;
}

} // namespace

std::unique_ptr<QSettings> LogTable::openSettings()
{
    auto settings = std::make_unique<QSettings>(AppPaths::settings(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

QSqlTableModel* LogTable::createModel(QObject* parent, const QString& table,
                                      QSqlTableModel::EditStrategy strategy, const QStringList& headers)
{
    auto* model = new QSqlTableModel(parent, QSqlDatabase::database());
    load(model, table, headers);
    model->setEditStrategy(strategy);
    return model;
}

void LogTable::load(QSqlTableModel* model, const QString& table, const QStringList& headers)
{
    model->setTable(table);
    model->setSort(0, Qt::DescendingOrder);
    if (!model->select())
        qCWarning(lcViews) << table << model->lastError().text();
    fetchAll(model);
    for (int column = 0; column < headers.size(); ++column)
        model->setHeaderData(column + 1, Qt::Horizontal, headers.at(column));
}

void LogTable::fetchAll(QSqlTableModel* model)
{
    while (model->canFetchMore())
        model->fetchMore();
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

ReportEngine* LogTable::startReport(QObject* parent, const QString& templateName, int records)
{
    auto* report = new ReportEngine(parent);
    printingSnapshot() = new ReportSnapshot(report);
    report->recordsCount.append(records);
    if (!report->loadReport(AppPaths::filePath(templateName)))
        qCWarning(lcViews) << "Report file not found";
    return report;
}

void LogTable::answer(const QAbstractItemModel* model, const QStringList& names, int recNo, const QString& name,
                      QVariant& value)
{
    const int column = names.indexOf(name) + 1;
    if (column < 1)
        return;
    ReportSnapshot* snapshot = printingSnapshot();
    value = snapshot ? snapshot->text(model, names.size(), recNo, column) : model->index(recNo, column).data().toString();
}
