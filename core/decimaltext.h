#pragma once

#include <QStringView>

// The number that QString::toInt reads from `text` in base 10 (white space
// around it, an optional sign, ASCII digits), without its conversions and
// copies: 0 where it reads none, as for a number beyond an int. Project
// files hold thousands of such numbers. `read`, when given, tells whether a
// number was read (as toInt's `ok`).
int decimalInt(QStringView text, bool* read = nullptr);
