#pragma once

#include <QPoint>
#include <QRect>

// Where a window framed by `page` goes, within `area`, so that it covers as
// little of `kept` as it can: nothing when the area has room beside it. Of
// the places that cover least, the nearest to where the page stands; a page
// that covers nothing stays.
QPoint placeBeside(const QRect& area, const QRect& kept, const QRect& page);
