#pragma once

#include <QUrl>

#include <functional>

// Every link the program opens goes through here: by default the desktop's
// handler; tests (and anything that must not start a browser) put their own
// hook in its place.
namespace UrlOpener {
using Hook = std::function<bool(const QUrl&)>;

// False when nothing could open the link.
bool open(const QUrl& url);
// An empty hook brings back the desktop's handler.
void setHook(Hook hook);
} // namespace UrlOpener
