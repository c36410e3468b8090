#pragma once

#include <QString>
#include <functional>

class QWidget;

// Answers the next modal dialog that opens: polls for the active modal widget
// (bounded in time) and hands it to `answer`, which fills fields and clicks.
// Returns immediately; the answer runs from the event loop the dialog spins.
// The bound is generous: a sanitizer build on a loaded machine can take
// seconds to show a dialog, and a dialog left unanswered hangs its test.
void answerNextModal(std::function<void(QWidget* dialog)> answer, int timeoutMs = 20000);
