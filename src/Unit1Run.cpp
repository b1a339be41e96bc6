#include "Unit1.h"

#include "Unit4.h"

#include "platform/app/Application.h"
#include "platform/files/TextList.h"
#include "platform/process/Launcher.h"
#include "platform/richedit/RichEdit.h"

#include <QByteArrayList>

#include <memory>

void TForm1::SpeedButton27Click(QObject *)
{
    QByteArrayList program;
    RichEdit2->copyLinesFrom(*RichEdit1);
    RichEdit2->setPlainText(true);
    // A paragraph a line, and a line for each soft break: the interpreter gets the program as
    // the user sees it.
    const int count = RichEdit2->lineCount();
    for (int i = 0; i < count; ++i)
        program.append(RichEdit2->line(i));
    zv::saveTextList(program, zv::exeFolder() + QStringLiteral("entrada.txt"));
    program.clear();

    ExecuteAndWait(zv::exeFolder() + QStringLiteral("PL.bat"), QString(), 1);

    auto results = std::make_unique<TForm4>();
    Form4 = results.get();
    results->ShowModal();
    Form4 = nullptr;
}

void TForm1::ExecuteAndWait(const QString &fileName, const QString &parameters, int showCommand)
{
    zv::executeAndWait(this, fileName, parameters, showCommand);
}
