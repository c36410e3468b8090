#include "numbertowords.h"

#include "numbertowordscommon.h"

#include <cmath>

QString numberToWords(double amount, const QString& languageCode)
{
    if (!std::isfinite(amount))
        return QString();
    if (languageCode == QLatin1String("UKR"))
        return numberToWordsUkr(amount, 0);
    if (languageCode == QLatin1String("GER"))
        return numberToWordsGer(amount, false);
    if (languageCode == QLatin1String("ENG"))
        return numberToWordsEng(amount);
    if (languageCode == QLatin1String("ESP"))
        return numberToWordsEsp(amount, false);

    int variant = -1;
    if (languageCode == QLatin1String("FR_FR"))
        variant = FrenchOfFrance;
    else if (languageCode == QLatin1String("FR_BE"))
        variant = FrenchOfBelgium;
    else if (languageCode == QLatin1String("FR_CH"))
        variant = FrenchOfSwitzerland;
    if (variant >= 0) {
        // The French routine counts in 32 bits; an amount beyond that has no
        // integer to hand over, and a wrapped one would be another number.
        int whole = 0;
        return NumberToWordsCommon::wholePart32(amount, &whole) ? numberToWordsFra(whole, variant) : QString();
    }

    if (languageCode == QLatin1String("ITA"))
        return numberToWordsIta(amount);
    return numberToWordsEng(amount);
}
