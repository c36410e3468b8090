#pragma once

#include "reportengine.h"
#include "scopedhook.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <QStringList>
#include <QVariant>

#include <functional>

// Takes the place of the print preview while it lives: records the record
// counts a print command hands the report and every answer it gives to the
// report's value requests.
class ReportCapture
{
public:
    QVariant answer(int recNo, const QString& name, int page = 0) const { return answers.value(key(page, recNo, name)); }
    bool asked(int recNo, const QString& name, int page = 0) const { return answers.contains(key(page, recNo, name)); }

    // A template whose one page prints `variables` for every record.
    static bool writeTemplate(const QString& path, const QStringList& variables)
    {
        QString fields;
        int left = 0;
        for (const QString& name : variables) {
            fields += QStringLiteral("<Field type=\"label\" value=\"[%1]\" left=\"%2\" top=\"0\" width=\"150\" height=\"20\"/>")
                          .arg(name)
                          .arg(left);
            left += 150;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("<Reports><Page pageHeight=\"1188\" pageWidth=\"840\">"
                                  "<ReportBand type=\"MasterData\" height=\"20\">%1</ReportBand></Page></Reports>")
                       .arg(fields)
                       .toUtf8());
        return true;
    }

    // Runs once the print has started, before the report asks for a value.
    std::function<void(ReportEngine&)> beforeRender;
    int prints = 0;
    QList<int> recordsCount;
    QHash<QString, QVariant> answers;
    QTemporaryDir outputDir;
    QString outputFile = outputDir.filePath(QStringLiteral("report.html"));

private:
    // Last: the preview goes before what it fills.
    const ScopedHook m_preview{&ReportEngine::setPreviewHook, [this](ReportEngine& report) {
                                   ++prints;
                                   recordsCount = report.recordsCount;
                                   if (beforeRender)
                                       beforeRender(report);
                                   QObject::connect(&report, &ReportEngine::setValue,
                                                    [this](int recNo, QString name, QVariant& value, int page) {
                                                        answers.insert(key(page, recNo, name), value);
                                                    });
                                   report.printToFile(outputFile);
                               }};

    static QString key(int page, int recNo, const QString& name)
    {
        return QStringLiteral("%1/%2/%3").arg(page).arg(recNo).arg(name);
    }
};
