#include "eventtypename.h"

#include <QEvent>
#include <QMetaEnum>

QString eventTypeName(const QEvent* event)
{
    if (!event)
        return {};
    const int type = int(event->type());
    const char* name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return name ? QString::fromLatin1(name) : QString::number(type);
}
