#pragma once

namespace interpreter {

/// The "--verdict" mode of zarvik-pl: prints, for each problem of the file, one UTF-8 line that
/// begins with "válido", "no válido" or "no determinado". 0 when every line was understood, 1
/// otherwise, 2 when the file cannot be read.
int verdictMain(int argc, char **argv);

} // namespace interpreter
