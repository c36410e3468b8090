#pragma once

#include <QString>

// What a file-path row holds: the path (or, on a command row, the command
// text) and the filter of its file dialog.
struct FilePathRecord
{
    QString value;
    QString filter;
};
