#pragma once

#include <QString>
#include <functional>

class QWidget;

// Answers the next modal dialog that opens: polls for the active modal widget
// (bounded in time) and hands it to `answer`, which fills fields and clicks.
// Returns immediately; the answer runs from the event loop the dialog spins.
void answerNextModal(std::function<void(QWidget* dialog)> answer, int timeoutMs = 5000);
