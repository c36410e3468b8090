#pragma once

#include <QList>
#include <QPair>
#include <QString>

// User actions logged at once: each entry is (subject, message), written in list order.
using ActionMsgList = QList<QPair<QString, QString>>;
