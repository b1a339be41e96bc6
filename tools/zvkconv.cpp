// zvkconv: turns a Zarvik document (or any RTF or text file) into readable text, through the
// same load and save code as the editor.
#include "platform/errors/PlatformError.h"
#include "platform/files/DocumentFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/ReadableText.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char kUsage[]
    = "uso: zvkconv [--ansi] ARCHIVO\n"
      "     zvkconv --rtf SALIDA ARCHIVO\n"
      "     zvkconv --help\n"
      "Escribe ARCHIVO como texto UTF-8, tal como lo muestra el editor, un párrafo\n"
      "por línea; con --ansi, en los bytes de 8 bits del editor, con CR LF tras cada\n"
      "párrafo; con --rtf, lo guarda como RTF de Zarvik en SALIDA.\n"
      "  -h, --help   muestra este texto y termina\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

// Read before the file is: an option nobody knows must not become the name of the output.
// Returns -1 to go on, else the exit status.
int checkOptions(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--rtf") == 0) {
            ++i; // its output may be any name
            continue;
        }
        if (arg[0] == '-' && arg[1] != '\0' && std::strcmp(arg, "--ansi") != 0) {
            std::fprintf(stderr,
                "zvkconv: opción desconocida: %s\nPruebe «zvkconv --help» para ver las "
                "opciones.\n",
                arg);
            return 2;
        }
    }
    return -1;
}

QByteArray utf8Text(const QTextDocument &document)
{
    QString text;
    text.reserve(document.characterCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        text += block.text();
        text += QLatin1Char('\n');
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toUtf8();
}

bool writeOut(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout)
        == std::size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int status = checkOptions(argc, argv); status >= 0)
        return status;
    enum class Mode { Text, Ansi, Rtf } mode = Mode::Text;
    const char *out = nullptr;
    const char *in = nullptr;
    if (argc == 2 && argv[1][0] != '-') {
        in = argv[1];
    } else if (argc == 3 && std::strcmp(argv[1], "--ansi") == 0) {
        mode = Mode::Ansi;
        in = argv[2];
    } else if (argc == 4 && std::strcmp(argv[1], "--rtf") == 0) {
        mode = Mode::Rtf;
        out = argv[2];
        in = argv[3];
    } else {
        return usage();
    }

    // Fonts need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        std::unique_ptr<QTextDocument> document
            = zv::loadDocument(QString::fromLocal8Bit(in), false);
        // Text read as plain text shows in the editor's typing font.
        document->setDefaultFont(QFont(QStringLiteral("Verdana"), 10));
        switch (mode) {
        case Mode::Text:
            zv::makeReadable(*document);
            if (!writeOut(utf8Text(*document)))
                return 1;
            break;
        case Mode::Ansi:
            if (!writeOut(zv::documentBytes(*document, true)))
                return 1;
            break;
        case Mode::Rtf: zv::saveDocument(*document, QString::fromLocal8Bit(out), false); break;
        }
    } catch (const zv::EPlatformError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    } catch (const std::bad_alloc &) {
        // As the editor reports it: a document too large for memory is one more failure.
        std::fputs("Out of memory\n", stderr);
        return 1;
    }
    return 0;
}
