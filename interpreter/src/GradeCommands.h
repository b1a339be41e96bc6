#pragma once

namespace interpreter {

/// "zarvik-pl --student-copy HOJA SALIDA": the sheet without its "Solución:" blocks, every other
/// byte as it was (RTF stays RTF). 0 when written, 2 when the sheet cannot be read, holds no
/// exercise, or the copy cannot be written.
int studentCopyMain(int argc, char **argv);

/// "zarvik-pl --grade HOJA CARPETA [--feedback CARPETA2] [--comments]": the CSV of the class's
/// marks on standard output, one row per file of CARPETA in the order of their names; with
/// --comments, each exercise's cell is followed by one with its comment. Each file is marked in
/// a child process of its own. 0 when every file was read, 1 otherwise, 2 when the sheet cannot
/// be read or holds no exercise.
int gradeMain(int argc, char **argv);

/// "zarvik-pl --check-sheet HOJA": one line per exercise of the sheet, its label, a tab, and
/// "correcta" or "incorrecta", a tab and why. 0 when every solution is right, 1 otherwise, 2
/// when the sheet cannot be read or holds no exercise.
int checkSheetMain(int argc, char **argv);

} // namespace interpreter
