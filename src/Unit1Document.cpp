// Placeholder: the document commands.
#include "Unit1.h"

void TForm1::SpeedButton9Click(QObject *) {}
void TForm1::SpeedButton10Click(QObject *) {}
void TForm1::SpeedButton11Click(QObject *) {}
void TForm1::SpeedButton12Click(QObject *) {}
void TForm1::SpeedButton13Click(QObject *) {}
void TForm1::SpeedButton14Click(QObject *) {}
void TForm1::Nuevo1Click(QObject *Sender) { SpeedButton9Click(Sender); }
void TForm1::Abrir1Click(QObject *Sender) { SpeedButton10Click(Sender); }
void TForm1::Guardar1Click(QObject *Sender) { SpeedButton11Click(Sender); }
void TForm1::Imprimir1Click(QObject *Sender) { SpeedButton14Click(Sender); }
void TForm1::Salir1Click(QObject *) { close(); }
void TForm1::FormClose(QObject *) {}
