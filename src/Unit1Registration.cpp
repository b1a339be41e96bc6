// Placeholder: the first-run registration of the document type.
#include "Unit1.h"

void TForm1::FirstRunCheck() {}
void TForm1::RegisterFileType(const QString &, const QString &, const QString &, const QString &,
                              int)
{
}
