#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

class QHeaderView;

// The column layout a view keeps in setting.ini between runs. A stored
// state is checked field by field against the view before Qt reads it: Qt
// trusts the counts, indices and sizes in the bytes, so one damaged field
// makes it allocate gigabytes or write past its arrays, and the program
// dies at every start before it could write a good state back.
namespace HeaderState {

// Qt's own upper bound of a section's size.
constexpr int MaxSectionSize = 1048575;

// Whether `state` is a header state of exactly `sections` sections in
// `orientation` whose every field fits them: the section items' counts are
// at least 1 and add up to `sections`, the visual and logical indices are
// empty or two inverse permutations, sizes lie in 0..MaxSectionSize and add
// up to the stored length, the hidden-section data and the sort section are
// in range, and nothing follows the last field.
bool fits(const QByteArray& state, int sections, Qt::Orientation orientation = Qt::Horizontal);

// Restores `state` when it fits the header; false (the header untouched)
// otherwise.
bool restoreState(QHeaderView* header, const QByteArray& state);

// Restores the state stored under `key`; false (the header as it is, with
// a warning when a state was there) when none is stored or it does not fit.
bool restore(QHeaderView* header, const QString& key);

// Stores the header's state under `key` (failures are logged).
void save(const QHeaderView* header, const QString& key);

} // namespace HeaderState
