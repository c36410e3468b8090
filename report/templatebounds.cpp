#include "templatebounds.h"

#include "reportlogging.h"

#include <QtGlobal>

namespace TemplateBounds {

bool outside(const QString& owner, std::initializer_list<Number> numbers, int min, int max, const char* outcome)
{
    bool found = false;
    for (const Number& number : numbers) {
        if (number.value >= min && number.value <= max)
            continue;
        qCWarning(lcReport).nospace().noquote() << "Report template: " << owner << ' ' << number.name << ' '
                                                << number.value << " outside " << min << " to " << max << "; "
                                                << outcome;
        found = true;
    }
    return found;
}

void clamp(const QString& owner, std::initializer_list<Number> numbers, int min, int max)
{
    if (!outside(owner, numbers, min, max, "it counts as the nearer bound"))
        return;
    for (const Number& number : numbers)
        number.value = qBound(min, number.value, max);
}

} // namespace TemplateBounds
