#include "placebeside.h"

#include <algorithm>
#include <cstdlib>

namespace {

qint64 coveredArea(const QRect& page, const QRect& kept)
{
    const QRect covered = page & kept;
    return covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
}

} // namespace

QPoint placeBeside(const QRect& area, const QRect& kept, const QRect& page)
{
    if (!page.intersects(kept))
        return page.topLeft();
    const auto within = [](int at, int first, int last) { return std::clamp(at, first, std::max(first, last)); };
    // A page beside the kept window lies wholly left, right, above or below
    // it; where the area has no room for that, the least cover lies at an
    // edge of the area on each axis. These nine places hold both cases.
    const int xs[] = {page.x(), kept.left() - page.width(), kept.right() + 1};
    const int ys[] = {page.y(), kept.top() - page.height(), kept.bottom() + 1};
    QPoint best = page.topLeft();
    qint64 bestCover = coveredArea(page, kept);
    int bestMove = 0;
    for (int x : xs) {
        for (int y : ys) {
            const QPoint at(within(x, area.left(), area.right() + 1 - page.width()),
                            within(y, area.top(), area.bottom() + 1 - page.height()));
            const qint64 cover = coveredArea(QRect(at, page.size()), kept);
            const int move = (at - page.topLeft()).manhattanLength();
            if (cover < bestCover || (cover == bestCover && move < bestMove)) {
                best = at;
                bestCover = cover;
                bestMove = move;
            }
        }
    }
    return best;
}
