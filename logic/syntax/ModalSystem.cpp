#include "ModalSystem.h"

#include <cctype>
#include <string>

namespace logic {

const char *systemName(ModalSystem system)
{
    switch (system) {
    case ModalSystem::K: return "K";
    case ModalSystem::T: return "T";
    case ModalSystem::D: return "D";
    case ModalSystem::B: return "B";
    case ModalSystem::K4: return "K4";
    case ModalSystem::S4: return "S4";
    case ModalSystem::S5: return "S5";
    }
    return "K";
}

bool parseSystemName(std::string_view text, ModalSystem &system)
{
    std::string upper(text);
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (ModalSystem s : {ModalSystem::K, ModalSystem::T, ModalSystem::D, ModalSystem::B,
             ModalSystem::K4, ModalSystem::S4, ModalSystem::S5})
        if (upper == systemName(s)) {
            system = s;
            return true;
        }
    return false;
}

// B is KTB, as Hughes and Cresswell name it: reflexive and symmetric frames.
bool isReflexive(ModalSystem s)
{
    return s == ModalSystem::T || s == ModalSystem::B || s == ModalSystem::S4
        || s == ModalSystem::S5;
}
bool isSymmetric(ModalSystem s)
{
    return s == ModalSystem::B || s == ModalSystem::S5;
}
bool isTransitive(ModalSystem s)
{
    return s == ModalSystem::K4 || s == ModalSystem::S4 || s == ModalSystem::S5;
}
bool isSerial(ModalSystem s)
{
    return s != ModalSystem::K && s != ModalSystem::K4;
}

} // namespace logic
