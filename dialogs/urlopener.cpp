#include "urlopener.h"

#include <QDesktopServices>

namespace UrlOpener {
namespace {
Hook& hook()
{
    static Hook installed;
    return installed;
}
} // namespace

void open(const QUrl& url)
{
    if (hook())
        hook()(url);
    else
        QDesktopServices::openUrl(url);
}

void setHook(Hook newHook)
{
    hook() = std::move(newHook);
}
} // namespace UrlOpener
