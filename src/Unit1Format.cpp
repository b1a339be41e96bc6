// Placeholder: the formatting and clipboard commands.
#include "Unit1.h"

void TForm1::SpeedButton24Click(QObject *) {}
void TForm1::SpeedButton25Click(QObject *) {}
void TForm1::SpeedButton26Click(QObject *) {}
void TForm1::Fuentes1Click(QObject *) {}
void TForm1::Fondo1Click(QObject *) {}
void TForm1::SeleccionatTodo1Click(QObject *) {}
void TForm1::Cortar1Click(QObject *) {}
void TForm1::Copiar1Click(QObject *) {}
void TForm1::Pegar1Click(QObject *) {}
void TForm1::Borrar1Click(QObject *) {}
