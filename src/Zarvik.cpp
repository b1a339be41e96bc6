#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#include "platform/app/Application.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] = "uso: zarvik [DOCUMENTO]\n"
                      "     zarvik --help\n"
                      "Abre el editor; con DOCUMENTO, lo abre como «Abrir Texto».\n"
                      "  -h, --help   muestra este texto y termina\n"
                      "  --           lo que sigue es el documento, aunque empiece por -\n"
                      "También acepta las opciones comunes de Qt: -platform P, -display D,\n"
                      "-style S, -stylesheet F, -geometry G, -qwindowgeometry G, -reverse.\n";

// Qt's own options, which QApplication takes out of argv; those that are followed by a value.
const char *const kQtOptions[] = {
    "-platform", "-display", "-style", "-stylesheet", "-geometry", "-qwindowgeometry", "-reverse"};

bool takesValue(const char *option)
{
    return std::strcmp(option, "-reverse") != 0;
}

const char *qtOption(const char *arg)
{
    // Qt accepts its options with one dash or two.
    const char *name = std::strncmp(arg, "--", 2) == 0 ? arg + 1 : arg;
    for (const char *option : kQtOptions) {
        if (std::strcmp(name, option) == 0)
            return option;
    }
    return nullptr;
}

// The command line is read before any window, file or display is touched: an option that is
// not known ends the program there, so that it is never taken for a document.
// Returns -1 to go on, else the exit status.
int checkCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            return -1;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg[0] != '-' || arg[1] == '\0')
            continue;
        if (const char *option = qtOption(arg)) {
            if (takesValue(option))
                ++i;
            continue;
        }
        std::fprintf(stderr,
            "zarvik: opción desconocida: %s\nPruebe «zarvik --help» para ver las opciones.\n", arg);
        return 2;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const int status = checkCommandLine(argc, argv); status >= 0)
        return status;
    QApplication application(argc, argv);
    zv::installSpanishTranslations();
    application.setWindowIcon(QIcon(QStringLiteral(":/icons/zarvik.svg")));

    // Created in this order; the first becomes the main window.
    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form1->showMaximized();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeOne(QStringLiteral("--"));
    zv::guarded([&] { Form1->OpenCommandLine(arguments); });
    const int result = application.exec();
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
