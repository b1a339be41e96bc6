// manualhtml MANUAL.md MANUAL.html: the manual as one HTML page for a browser, through the same
// Markdown reader that shows it in the editor, so that both say the same.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("uso: manualhtml MANUAL.md MANUAL.html\n", stderr);
        return 2;
    }
    // Fonts need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manualhtml: no se puede leer %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    document.setMarkdown(QString::fromUtf8(in.readAll()));
    document.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Manual de Zarvik"));
    QByteArray html = document.toHtml().toUtf8();
    // Every face with its generic family, so that a browser without it still draws sans-serif
    // text and fixed-width examples; and the page's language, for hyphenation and voices.
    html.replace("font-family:'DejaVu Sans';", "font-family:'DejaVu Sans', sans-serif;");
    html.replace("font-family:'monospace';", "font-family:monospace;");
    html.replace("<html>", "<html lang=\"es\">");
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(html) != html.size()
        || !out.flush()) {
        std::fprintf(stderr, "manualhtml: no se puede escribir %s\n", argv[2]);
        return 1;
    }
    return 0;
}
