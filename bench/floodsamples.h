#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

// A count seen at a moment (steady clock, nanoseconds): changes pushed, or
// alarm rows committed.
struct FloodSample
{
    qint64 ns;
    qint64 count;
};

// The longest a change took from the sample that first saw it pushed to the
// sample that first saw its row committed; -1 when not all `rows` rows were.
inline double worstRowMs(const std::vector<FloodSample>& pushes, const std::vector<FloodSample>& commits, qint64 rows)
{
    qint64 worst = 0;
    qint64 done = 0;
    size_t push = 0;
    for (const FloodSample& commit : commits) {
        if (commit.count <= done)
            continue;
        // Row `done` (0-based) is the oldest of those committed now.
        while (push < pushes.size() && pushes[push].count <= done)
            ++push;
        if (push < pushes.size())
            worst = std::max(worst, commit.ns - pushes[push].ns);
        done = commit.count;
    }
    return done >= rows ? worst / 1e6 : -1;
}
