#include "mdelegate.h"

QString mDelegate::displayText(const QVariant& value, const QLocale&) const
{
    switch (value.toInt()) {
    case 0: return tr("Not active");
    case 1: return tr("Active");
    default: return QString();
    }
}
