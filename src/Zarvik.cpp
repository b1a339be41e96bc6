#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#include "platform/app/Application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    zv::installSpanishTranslations();
    application.setWindowIcon(QIcon(QStringLiteral(":/icons/zarvik.svg")));

    // Created in this order; the first becomes the main window.
    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form1->showMaximized();
    zv::guarded([&] { Form1->OpenCommandLine(QCoreApplication::arguments()); });
    const int result = application.exec();
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
