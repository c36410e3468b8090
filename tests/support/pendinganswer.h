#pragma once

#include <functional>

class QWidget;

// Polls, from the event loop and bounded in time, for the widget `find`
// gives, and hands it once to `answer`. An answer belongs to the test step
// (function and data row) that asked for it: when that step has ended
// unanswered, say by a failed check, the answer is dropped, so that it
// never answers another step's widget through the locals it captured.
void answerNextWidget(std::function<QWidget*()> find, std::function<void(QWidget*)> answer, int timeoutMs);
