#pragma once

#include <functional>

class QWidget;

// Answers the next pop-up (a context menu run with exec()): polls for the
// active pop-up widget (bounded in time) and hands it to `answer`, which
// inspects it and closes it or triggers an action; bounded as the modal answerer.
void answerNextPopup(std::function<void(QWidget* popup)> answer, int timeoutMs = 20000);

// Clicks, through the menu's window as the operator does, the entry of the
// next pop-up menu whose object name is `name` (the first entry for none).
void answerNextMenu(const char* name = nullptr, int timeoutMs = 20000);
