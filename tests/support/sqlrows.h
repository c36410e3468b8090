#pragma once

#include <QString>
#include <QStringList>

// The first column of every row `sql` yields on the default connection, as
// text, once the log rows waiting for the writer are committed; a failing statement yields its error text instead, so comparisons
// show what went wrong.
QStringList sqlRows(const QString& sql);
