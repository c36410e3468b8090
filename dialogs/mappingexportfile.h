#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Node;

// The mapping files that a gateway in its "with text file" mode loads: one
// decimal number per line, each line ended by CR LF, a fixed number of lines
// per device in table order and nothing else. The gateway tells the devices
// apart only by those line counts, so a file is written whole or not at all.
class MappingExportFile
{
public:
    enum Kind { EnergizerFile, IOCardFile };
    enum Failure { NoFailure, MultipleEnergizerMapping, MultipleIOCardMapping };

    static constexpr int EnergizerFreeLines = 7;
    // Given by the export dialog to a name typed without a suffix of its own.
    static inline const QString FileSuffix = QStringLiteral(".txt");
    static QString proposedName(Kind kind);

    // The file's bytes for the device nodes (energizers or IO cards), in
    // table order. Fails, with no bytes, when an enabled device maps more
    // than one other device.
    static Failure build(Kind kind, const QList<const Node*>& devices, QByteArray* content);
    // Replaces the file atomically: on failure any existing file stays as it was.
    static bool write(const QString& path, const QByteArray& content, QString* error);

private:
    static bool appendEnergizer(const Node* device, QByteArray* content);
    static bool appendIOCard(const Node* device, QByteArray* content);
};
