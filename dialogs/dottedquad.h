#pragma once

#include <QString>

// A controller's address as the operator types it: four decimal numbers 0
// to 255 separated by dots, nothing else. The socket layer also takes
// "127.1", "10" or "0x7f.0.0.1" and reads "010" as octal: each reaches
// another host than the stored text names.
bool isDottedQuad(const QString& text);
