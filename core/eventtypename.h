#pragma once

#include <QString>

class QEvent;

// The name of the event's type ("MouseButtonPress"), or the number when Qt
// has no name for it. A debugging aid.
QString eventTypeName(const QEvent* event);
