// Placeholder: the program run.
#include "Unit1.h"

void TForm1::SpeedButton27Click(QObject *) {}
void TForm1::ExecuteAndWait(const QString &, const QString &, int) {}
