#include "mappingexportfile.h"

#include "node.h"
#include "sitemutex.h"
#include "statusword.h"

#include <QSaveFile>

#include <algorithm>

namespace {

void appendLine(QByteArray* content, qint64 value)
{
    content->append(QByteArray::number(value));
    content->append("\r\n", 2);
}

int mappedCount(const QList<MappingRecord>& records)
{
    return int(std::count_if(records.cbegin(), records.cend(), [](const MappingRecord& r) { return r.id != 0; }));
}

// The codes of the zone and global fields the gateway reads from an IO card.
enum IOCardField { ZoneField = 2, GlobalField = 3, CombinedField = 4 };

} // namespace

QString MappingExportFile::proposedName(Kind kind)
{
    return kind == EnergizerFile ? QStringLiteral("etoimapplus.txt") : QStringLiteral("itoemap.txt");
}

MappingExportFile::Failure MappingExportFile::build(Kind kind, const QList<const Node*>& devices,
                                                    QByteArray* content)
{
    QByteArray text;
    // The control unit walks these lists on its thread.
    SiteLocker lock;
    for (const Node* device : devices) {
        if (!device || !device->enabled)
            continue;
        if (kind == EnergizerFile && !appendEnergizer(device, &text))
            return MultipleEnergizerMapping;
        if (kind == IOCardFile && !appendIOCard(device, &text))
            return MultipleIOCardMapping;
    }
    *content = text;
    return NoFailure;
}

// Seven zeros without a card; ten lines for the one card, wherever the
// global entry stands in the list (a missing block would shift every later
// energizer in the gateway's reading).
bool MappingExportFile::appendEnergizer(const Node* device, QByteArray* content)
{
    const QList<MappingRecord>& records = device->outputMappings;
    const int mapped = mappedCount(records);
    if (mapped > 1)
        return false;
    if (mapped == 0) {
        for (int i = 0; i < EnergizerFreeLines; ++i)
            appendLine(content, 0);
        return true;
    }
    const MappingRecord& record =
        *std::find_if(records.cbegin(), records.cend(), [](const MappingRecord& r) { return r.id != 0; });
    appendLine(content, record.id);
    for (int k = 0; k < MappingRecord::kCodedValueCount; ++k)
        appendLine(content, remapStatusWord(record, k));
    appendLine(content, record.latchingCode);
    return true;
}

// Four lines for a card with any entry: the mapped energizer (0 for none),
// its zone code, the card's global code and both together.
bool MappingExportFile::appendIOCard(const Node* device, QByteArray* content)
{
    QList<MappingRecord> records = device->inputMappings;
    if (records.isEmpty())
        return true;
    if (mappedCount(records) > 1)
        return false;
    // The global entry first, as the mapping dialog keeps it.
    std::stable_sort(records.begin(), records.end(),
                     [](const MappingRecord& a, const MappingRecord& b) { return a.id < b.id; });
    const MappingRecord& chosen = records.first().id == 0 && records.size() > 1 ? records.at(1) : records.first();
    appendLine(content, chosen.id);
    appendLine(content, statusWordField(records, ZoneField));
    appendLine(content, statusWordField(records, GlobalField));
    appendLine(content, statusWordField(records, CombinedField));
    return true;
}

bool MappingExportFile::write(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
