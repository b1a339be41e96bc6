#pragma once

namespace interpreter {

/// "zarvik-pl --derivation [--system S] FILE": one UTF-8 line per derivation of the file,
/// "correcta", or "incorrecta", a tab, "línea K: " and the reason of its first faulty line. 0
/// when every derivation is correct, 1 otherwise, 2 when the file cannot be read.
int derivationMain(int argc, char **argv);

/// "zarvik-pl --prove [--system S] FILE": each argument line of the file, under it the
/// derivation that "Demostrar" would write, and a blank line; the output can be checked with
/// --derivation. 0 when every argument got a derivation, 1 otherwise, 2 when the file cannot be
/// read.
int proveMain(int argc, char **argv);

/// "zarvik-pl --work [--system S] FILE": one UTF-8 line per piece of the student's work in the
/// file (a truth table, a "Respuesta:" line, a derivation), in the file's order: the number of
/// its first line, a tab, and "correcta", or "incorrecta", a tab, "línea K: " and the reason of
/// its first fault ("no determinado" likewise when the engine could not judge it). 0 when every
/// piece is right, 1 otherwise, 2 when the file cannot be read.
int workMain(int argc, char **argv);

} // namespace interpreter
