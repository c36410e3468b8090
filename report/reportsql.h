#pragma once

#include <QImage>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;
class QTextCodec;

// One SQL data source of a report page: a connection of its own and the
// query run on it. Field texts read column values of a record through it,
// database-image fields read pictures.
//
// A connection name that is empty or already registered is replaced by one
// private to this object, so a report can never take over or close the
// program's own (default) connection, whose logs must keep running while a report is printed; the
// connection is removed again when the object is destroyed.
//
// A report only reads: an SQLite connection is opened read-only and runs
// nothing but queries that read (no attaching, no copying the database
// elsewhere).
class ReportSql : public QObject
{
    Q_OBJECT
public:
    ReportSql(QString dbType, QString dbName, QString dbHost, QString dbUser, QString dbPassword,
              int dbPort, QString dbConnectionName, QObject* parent = nullptr);
    ~ReportSql() override;

    // Opens the connection and runs `sqlQuery`; true when the query ran.
    // The codec `charsetCoding` names is the process's locale codec while
    // the query runs and while each value is read, and only then.
    bool openQuery(QString sqlQuery, QString dbCoding, QString charsetCoding);

    int getRecordCount();
    QString getFieldValue(QString fieldName, int recNo);
    QImage getFieldImage(QString fieldName, int recNo);

    // A field-text reference such as "[ds.b]" read at `recNo`: the empty
    // text (or a null image) when the reference does not name this source
    // (its object name); otherwise the named column's value.
    QString getReferenceValue(const QString& reference, int recNo);
    QImage getReferenceImage(const QString& reference, int recNo);
    // The column a reference names: brackets and "<object name>." removed;
    // empty when the reference does not name this source.
    QString referenceColumn(const QString& reference) const;

    // The name the connection is registered under.
    QString connectionName() const { return m_connectionName; }

    // Whether a "set names" statement is sent for this driver and character
    // set: only to MySQL servers, and only for a plain character-set name,
    // since the name goes into the statement text.
    static bool sendsSetNames(const QString& driverName, const QString& dbCoding);

private:
    QString privateConnectionName(const QString& wanted) const;
    bool onlyReads();
    void setNames(const QString& dbCoding);
    // Moves to `recNo` and finds `fieldName` there; -1 (with the reason
    // logged) when there is nothing to read.
    int columnAt(const QString& fieldName, int recNo);

    QString m_connectionName;
    QSqlDatabase m_db;
    std::unique_ptr<QSqlQuery> m_query;
    int m_recordCount = 0;
    QTextCodec* m_codec = nullptr;
};
