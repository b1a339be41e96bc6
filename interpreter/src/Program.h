#pragma once

#include "propositional/TruthTable.h"
#include "tableau/Tableau.h"

#include <string>
#include <string_view>

namespace interpreter {

struct Report
{
    std::string text; // Windows-1252, CR LF after every line
    int formulas = 0;
    int arguments = 0;
    int errors = 0;
};

/// Runs a whole program: Windows-1252 bytes or UTF-8, lines ended by CR LF, LF or CR. @p system
/// is the modal system until a "sistema:" line changes it.
Report runProgram(std::string_view input, logic::ModalSystem system = logic::ModalSystem::K);

} // namespace interpreter
