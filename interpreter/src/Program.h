#pragma once

#include "TruthTable.h"

#include <string>
#include <string_view>

namespace zpl {

struct Report {
    std::string text; // Windows-1252, CR LF after every line
    int formulas = 0;
    int arguments = 0;
    int errors = 0;
};

/// Runs a whole program: Windows-1252 bytes, lines ended by CR LF, LF or CR.
Report runProgram(std::string_view input);

} // namespace zpl
