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

bool open(const QUrl& url)
{
    return hook() ? hook()(url) : QDesktopServices::openUrl(url);
}

void setHook(Hook newHook)
{
    hook() = std::move(newHook);
}
} // namespace UrlOpener
