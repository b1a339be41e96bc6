// zvkprogram: turns a logic program kept as plain text into a Zarvik document that looks as if
// it had been typed in program mode: Verdana 10, the biconditional as the palette inserts it ("n"
// in Wingdings 3, drawn as ↔) and comments in grey. "Compilar Programa" exports the document as
// the same bytes again. The build makes the sample program, ejemplo.zvk, with it.
#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/files/DocumentFile.h"
#include "platform/format/TextFormat.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

namespace {

QTextCharFormat textFormat(const QString &face, int charset, const QColor &color)
{
    QTextCharFormat format;
    zv::setCharset(format, charset);
    zv::setFaceName(format, face);
    zv::setPointSize(format, 10);
    zv::setColor(format, color);
    return format;
}

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void insert(QTextCursor &cursor, const QByteArray &bytes, const QTextCharFormat &format)
{
    cursor.insertText(zv::codePage(format).decode(bytes), format);
}

// An "n" standing alone in a formula is the biconditional: the language has no variable n.
void insertLine(QTextCursor &cursor, const QByteArray &line)
{
    const QString verdana = QStringLiteral("Verdana");
    static const QTextCharFormat text = textFormat(verdana, zv::kAnsiCharset, Qt::black);
    static const QTextCharFormat comment
        = textFormat(verdana, zv::kAnsiCharset, QColor(128, 128, 128));
    static const QTextCharFormat arrow
        = textFormat(QStringLiteral("Wingdings 3"), zv::kSymbolCharset, Qt::black);
    if (line.trimmed().startsWith("//")) {
        insert(cursor, line, comment);
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const bool alone = line[i] == 'n' && (i == 0 || !isWordByte(line[i - 1]))
            && (i + 1 == line.size() || !isWordByte(line[i + 1]));
        if (!alone)
            continue;
        insert(cursor, line.mid(from, i - from), text);
        insert(cursor, "n", arrow);
        from = i + 1;
    }
    insert(cursor, line.mid(from), text);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: zvkprogram PROGRAM.txt OUT.zvk\n", stderr);
        return 2;
    }
    // Fonts need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "zvkprogram: cannot read %s\n", argv[1]);
        return 1;
    }
    QByteArray program = in.readAll();
    program.replace("\r\n", "\n");
    program.replace('\r', '\n');
    if (program.endsWith('\n'))
        program.chop(1);

    QTextDocument document;
    QTextCursor cursor(&document);
    const QByteArrayList lines = program.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        insertLine(cursor, lines[i]);
    }
    try {
        zv::saveDocument(document, QString::fromLocal8Bit(argv[2]), false);
    } catch (const zv::EPlatformError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
