// Prints the operator's readme from its HTML source into the PDF the Help
// menu opens, so the document is made from a source kept in the repository.
//
// Usage: makereadme <readme.html> <output.pdf> <version>

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <readme.html> <output.pdf> <version>\n", argv[0]);
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "could not read %s\n", argv[1]);
        return 1;
    }
    QString html = QString::fromUtf8(source.readAll());
    html.replace(QStringLiteral("@VERSION@"), QString::fromLocal8Bit(argv[3]));

    // Written beside the target and renamed when complete, so an interrupted
    // build never leaves a cut-short readme.
    QSaveFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "could not write %s\n", argv[2]);
        return 1;
    }
    {
        QPdfWriter writer(&output);
        writer.setTitle(QStringLiteral("Brenik Lumetra readme"));
        writer.setCreator(QStringLiteral("Brenik Lumetra"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                         QPageLayout::Millimeter));
        QTextDocument document;
        document.setHtml(html);
        document.print(&writer);
    }
    if (!output.commit()) {
        std::fprintf(stderr, "could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
