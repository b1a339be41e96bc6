#include "Results.h"

namespace logic {

const char *standingWords(Standing s)
{
    switch (s) {
    case Standing::Tautology: return "Tautología";
    case Standing::Contradiction: return "Contradicción";
    case Standing::Contingency: return "Contingencia";
    case Standing::Valid: return "Válida";
    case Standing::Unsatisfiable: return "Insatisfacible";
    case Standing::Contingent: return "Contingente";
    case Standing::None: break;
    }
    return "";
}

const char *decisionWords(Decision d)
{
    switch (d) {
    case Decision::Valid: return "válido";
    case Decision::Invalid: return "no válido";
    case Decision::Unknown: break;
    }
    return "no determinado";
}

} // namespace logic
