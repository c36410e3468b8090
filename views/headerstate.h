#pragma once

#include <QByteArray>
#include <QString>

class QHeaderView;

// The column layout a view keeps in setting.ini between runs. A stored
// state is checked against the view's columns before Qt reads it: Qt trusts
// the counts in the bytes, so one damaged count makes it allocate gigabytes
// and the program dies before it could write a good state back.
namespace HeaderState {

// Whether `state` is a header state of exactly `sections` sections whose
// every count fits them.
bool fits(const QByteArray& state, int sections);

// Restores the state stored under `key`; false (the header as it is, with
// a warning when a state was there) when none is stored or it does not fit.
bool restore(QHeaderView* header, const QString& key);

// Stores the header's state under `key` (failures are logged).
void save(const QHeaderView* header, const QString& key);

} // namespace HeaderState
