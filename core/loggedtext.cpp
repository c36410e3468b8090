#include "loggedtext.h"

#include "textbounds.h"

QString loggedText(const QString& text)
{
    if (text.size() <= LoggedTextChars)
        return text;
    return leftWhole(text, LoggedTextChars) + QStringLiteral("… (cut, %1 characters in all)").arg(text.size());
}
