#include "loggedtext.h"

QString loggedText(const QString& text)
{
    if (text.size() <= LoggedTextChars)
        return text;
    // Never half of a character that takes two.
    const int kept = text.at(LoggedTextChars - 1).isHighSurrogate() ? LoggedTextChars - 1 : LoggedTextChars;
    return text.left(kept) + QStringLiteral("… (cut, %1 characters in all)").arg(text.size());
}
