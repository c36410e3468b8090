#pragma once

// What a view does with a stored column layout: the check, then Qt's restore
// on a header of the fuzzed section count, then what the view asks of the
// header. Byte 0 picks the section count, the rest is the stored state. A
// state Qt writes back after a restore must pass the check again. Shared by
// the libFuzzer target and the test that replays its corpus.

#include "headerstate.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

namespace HeaderStateFuzz {

// More sections than the program's views have add nothing to a run.
constexpr int SectionChoices = 32;

// True when the run got through with a consistent header; a crash or
// sanitizer report is the other failure.
inline bool run(const QByteArray& input)
{
    if (input.isEmpty())
        return true;
    const int sections = quint8(input.at(0)) % SectionChoices;
    QStandardItemModel model(1, sections);
    QTableView view;
    view.setModel(&model);
    QHeaderView* header = view.horizontalHeader();
    if (!HeaderState::restoreState(header, input.mid(1)))
        return true;
    if (header->count() != sections)
        return false;
    for (int i = 0; i < sections; ++i) {
        const int logical = header->logicalIndex(i);
        if (logical < 0 || logical >= sections || header->visualIndex(logical) != i)
            return false;
        header->sectionSize(logical);
        header->sectionPosition(logical);
        header->isSectionHidden(logical);
    }
    view.resize(640, 200);
    header->resizeSections(QHeaderView::Interactive);
    header->length();
    return HeaderState::fits(header->saveState(), sections);
}

} // namespace HeaderStateFuzz
