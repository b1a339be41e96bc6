// What the checker must never accept: formulas carried into strict subderivations by anything
// but the rules of the system in force, mutants of the prover's modal derivations that the engine
// cannot show sound, and rules read under a spelling that no test has tried.

#include "Engine.h"
#include "Harness.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

using namespace logic;

namespace {

Budget seconds(int s)
{
    return Budget::forTime(std::chrono::seconds(s));
}

// "correcta", or the first faulty line and why, as zarvik-pl --derivation says it.
std::string verdict(const std::string &utf8, ModalSystem system)
{
    Logic logic;
    const std::vector<std::u32string> lines = splitTextLines(utf8);
    const std::vector<DerivationInText> found = findDerivations(logic, lines, system);
    if (found.size() != 1)
        return std::to_string(found.size()) + " derivaciones";
    const DerivationInText &f = found[0];
    if (f.derivation.endLine != static_cast<int>(lines.size()))
        return "líneas sin leer";
    const DerivationCheck c
        = checkDerivation(logic, f.derivation, f.argument ? &*f.argument : nullptr, f.system);
    return c.correct()
        ? "correcta"
        : "línea " + std::to_string(c.faults.front().line) + ": " + c.faults.front().reason;
}

// The engine's verdict on the argument of the first line of @p utf8.
Decision engineVerdict(const std::string &utf8, ModalSystem system)
{
    Logic logic;
    const std::string argument = utf8.substr(0, utf8.find('\n'));
    const LineParse p = parseLine(logic, decode(argument, Encoding::Utf8), Encoding::Utf8);
    return judge(logic, p.premises, p.conclusion, true, system, seconds(10)).decision;
}

struct Case
{
    const char *text;
    // "correcta", or the number of the line that must be at fault, as "línea N"
    const char *expected;
};

void checkCases(const std::vector<Case> &cases, ModalSystem system)
{
    for (const Case &c : cases) {
        const std::string v = verdict(c.text, system);
        const std::string want = c.expected;
        const bool ok = want == "correcta" ? v == want : v.rfind(want + ":", 0) == 0;
        if (std::getenv("ZV_SHOW"))
            std::printf("%s\n", v.c_str());
        if (!ok)
            CHECK_EQ(v + "\n    in " + systemName(system) + ":\n" + c.text, want);
    }
}

const std::vector<ModalSystem> kSystems = {ModalSystem::K, ModalSystem::D, ModalSystem::T,
    ModalSystem::B, ModalSystem::K4, ModalSystem::S4, ModalSystem::S5};

} // namespace

TEST(nothingEntersAStrictSubderivationByCitingWhatIsOutsideIt)
{
    // In every system the fault is the line that reaches out of the strict subderivation; most
    // of these would prove an argument that is invalid in K.
    const std::vector<Case> refused = {
        // A subderivation closed outside, discharged inside.
        {"p ⊢ □(q → p)\n1. p :PR\n    2. q :AS\n    3. p :R 1\n--\n    4. □ :AS\n"
         "    5. q → p :→I 2-3\n6. □(q → p) :□I 4-5\n",
            "línea 5"},
        {"¬p ⊢ □¬p\n1. ¬p :PR\n    2. p :AS\n    3. ⊥ :¬E 2, 1\n--\n    4. □ :AS\n"
         "    5. ¬p :¬I 2-3\n6. □¬p :□I 4-5\n",
            "línea 5"},
        {"¬¬p ⊢ □p\n1. ¬¬p :PR\n    2. ¬p :AS\n    3. ⊥ :¬E 2, 1\n--\n    4. □ :AS\n"
         "    5. p :IP 2-3\n6. □p :□I 4-5\n",
            "línea 5"},
        {"p, q ⊢ □(p ↔ q)\n1. p :PR\n2. q :PR\n    3. p :AS\n    4. q :R 2\n--\n"
         "    5. q :AS\n    6. p :R 1\n--\n    7. □ :AS\n    8. p ↔ q :↔I 3-4, 5-6\n"
         "9. □(p ↔ q) :□I 7-8\n",
            "línea 8"},
        {"q ⊢ □q\n1. q :PR\n    2. p :AS\n    3. q :R 1\n--\n    4. ¬p :AS\n    5. q :R 1\n--\n"
         "    6. □ :AS\n    7. q :LEM 2-3, 4-5\n8. □q :□I 6-7\n",
            "línea 7"},
        {"□(p ∨ q), r ⊢ □r\n1. □(p ∨ q) :PR\n2. r :PR\n    3. p :AS\n    4. r :R 2\n--\n"
         "    5. q :AS\n    6. r :R 2\n--\n    7. □ :AS\n    8. p ∨ q :□E 1\n"
         "    9. r :∨E 8, 3-4, 5-6\n10. □r :□I 7-9\n",
            "línea 9"},
        // A strict subderivation closed outside, boxed again inside: □p ⊢ □□p without R4.
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. p :□E 1\n--\n    4. □ :AS\n"
         "    5. □p :□I 2-3\n6. □□p :□I 4-5\n",
            "línea 5"},
        // Lines from outside, reiterated or used by an ordinary rule.
        {"p ⊢ □p\n1. p :PR\n    2. □ :AS\n    3. p :R 1\n4. □p :□I 2-3\n", "línea 3"},
        {"p ∧ q ⊢ □p\n1. p ∧ q :PR\n    2. □ :AS\n    3. p :∧E 1\n4. □p :□I 2-3\n", "línea 3"},
        {"□(p → q), p ⊢ □q\n1. □(p → q) :PR\n2. p :PR\n    3. □ :AS\n    4. p → q :□E 1\n"
         "    5. q :→E 4, 2\n6. □q :□I 3-5\n",
            "línea 5"},
        // From a subderivation around the strict one, or from inside one nested in it.
        {"⊢ p → □p\n    1. p :AS\n        2. □ :AS\n        3. p :R 1\n    4. □p :□I 2-3\n"
         "5. p → □p :→I 1-4\n",
            "línea 3"},
        {"p ⊢ □(q → p)\n1. p :PR\n    2. □ :AS\n        3. q :AS\n        4. p :R 1\n"
         "    5. q → p :→I 3-4\n6. □(q → p) :□I 2-5\n",
            "línea 4"},
        // □E once across two boundaries.
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n        3. □ :AS\n        4. p :□E 1\n"
         "    5. □p :□I 3-4\n6. □□p :□I 2-5\n",
            "línea 4"},
        // A strict subderivation is no ordinary one, and nothing inside it is outside it.
        {"□p ⊢ ⊤ → p\n1. □p :PR\n    2. □ :AS\n    3. p :□E 1\n4. ⊤ → p :→I 2-3\n", "línea 4"},
        {"□p ⊢ p\n1. □p :PR\n    2. □ :AS\n    3. p :□E 1\n4. p :R 3\n", "línea 4"},
        {"⊢ □p\n    1. □ :AS\n2. □p :□I 1-1\n", "línea 2"},
        {"□p ⊢ □p\n1. □p :PR\n    2. □ :AS\n    3. p :□E 2\n4. □p :□I 2-3\n", "línea 3"},
        // Reiteration, DS or RT may not stand in for □E across the boundary; these two are
        // sound, but only □E (and R4, R5) may carry a formula in.
        {"□p ⊢ □p\n1. □p :PR\n    2. □ :AS\n    3. □p :R 1\n    4. p :RT 3\n5. □p :□I 2-4\n",
            "línea 3"},
        {"□p ⊢ □p\n1. □p :PR\n    2. □ :AS\n    3. p :RT 1\n4. □p :□I 2-3\n", "línea 3"},
    };
    for (ModalSystem s : kSystems)
        checkCases(refused, s);
    // The right versions: inside the strict subderivation, from what □E brought in.
    const std::vector<Case> accepted = {
        {"⊢ □(q → q)\n    1. □ :AS\n        2. q :AS\n    3. q → q :→I 2-2\n"
         "4. □(q → q) :□I 1-3\n",
            "correcta"},
        {"□p ⊢ □(q → p)\n1. □p :PR\n    2. □ :AS\n    3. p :□E 1\n        4. q :AS\n"
         "        5. p :R 3\n    6. q → p :→I 4-5\n7. □(q → p) :□I 2-6\n",
            "correcta"},
        {"□p ⊢ □(q → p)\n1. □p :PR\n    2. □ :AS\n        3. q :AS\n        4. p :□E 1\n"
         "    5. q → p :→I 3-4\n6. □(q → p) :□I 2-5\n",
            "correcta"},
        {"⊢ □p → □p\n    1. □p :AS\n        2. □ :AS\n        3. p :□E 1\n    4. □p :□I 2-3\n"
         "5. □p → □p :→I 1-4\n",
            "correcta"},
        {"□(p ∨ q), □r ⊢ □r\n1. □(p ∨ q) :PR\n2. □r :PR\n    3. □ :AS\n    4. p ∨ q :□E 1\n"
         "    5. r :□E 2\n        6. p :AS\n        7. r :R 5\n    --\n        8. q :AS\n"
         "        9. r :R 5\n    10. r :∨E 4, 6-7, 8-9\n11. □r :□I 3-10\n",
            "correcta"},
        {"□□p ⊢ □□p\n1. □□p :PR\n    2. □ :AS\n    3. □p :□E 1\n        4. □ :AS\n"
         "        5. p :□E 3\n    6. □p :□I 4-5\n7. □□p :□I 2-6\n",
            "correcta"},
    };
    for (ModalSystem s : kSystems)
        checkCases(accepted, s);
    // The refused ones would prove what is not so.
    for (const char *invalid : {refused[0].text, refused[1].text, refused[6].text, refused[7].text,
             refused[10].text, refused[12].text})
        CHECK(engineVerdict(invalid, ModalSystem::K) == Decision::Invalid);
}

TEST(eachSystemBringsInWhatItsFramesAllow)
{
    // RT where frames are reflexive, R4 where transitive, R5 in S5 alone; the checker must
    // accept each exactly where the engine finds the argument valid.
    struct Bringing
    {
        const char *text;
        int line; // the line of the rule
        bool (*holds)(ModalSystem);
    };
    const std::vector<Bringing> rules = {
        {"□p ⊢ p\n1. □p :PR\n2. p :RT 1\n", 2, isReflexive},
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. □p :R4 1\n4. □□p :□I 2-3\n", 3, isTransitive},
        {"□p ⊢ □□□p\n1. □p :PR\n    2. □ :AS\n    3. □p :R4 1\n        4. □ :AS\n"
         "        5. □p :R4 3\n    6. □□p :□I 4-5\n7. □□□p :□I 2-6\n",
            3, isTransitive},
        {"◇p ⊢ □◇p\n1. ◇p :PR\n2. ¬□¬p :Def◇ 1\n    3. □ :AS\n    4. ¬□¬p :R5 2\n"
         "    5. ◇p :Def◇ 4\n6. □◇p :□I 3-5\n",
            4, [](ModalSystem s) { return isSymmetric(s) && isTransitive(s); }},
        {"¬□p ⊢ □¬□p\n1. ¬□p :PR\n    2. □ :AS\n    3. ¬□p :R5 1\n4. □¬□p :□I 2-3\n", 3,
            [](ModalSystem s) { return isSymmetric(s) && isTransitive(s); }},
    };
    for (const Bringing &b : rules) {
        for (ModalSystem s : kSystems) {
            const bool holds = b.holds(s);
            const std::string want = holds ? "correcta" : "línea " + std::to_string(b.line);
            checkCases({{b.text, want.c_str()}}, s);
            const Decision engine = engineVerdict(b.text, s);
            if (engine != (holds ? Decision::Valid : Decision::Invalid))
                CHECK_EQ(std::string(systemName(s)) + (holds ? " refutes " : " does not refute ")
                        + b.text,
                    std::string("the engine agreeing"));
        }
    }
    // RT inside a strict subderivation, on what is already there.
    checkCases({{"□(p ∧ q) ⊢ □p\n1. □(p ∧ q) :PR\n    2. □ :AS\n    3. p ∧ q :□E 1\n"
                 "    4. p :RT 1\n5. □p :□I 2-4\n",
                   "línea 4"}},
        ModalSystem::T);
    checkCases({{"□□p ⊢ □p\n1. □□p :PR\n    2. □ :AS\n    3. □p :□E 1\n    4. p :RT 3\n"
                 "5. □p :□I 2-4\n",
                   "correcta"}},
        ModalSystem::T);
    // R4 and R5 cross exactly one boundary, keep the formula as it is, and need □φ or ¬□φ.
    const std::vector<Case> s5 = {
        {"□p ⊢ □□□p\n1. □p :PR\n    2. □ :AS\n        3. □ :AS\n        4. □p :R4 1\n"
         "    5. □□p :□I 3-4\n6. □□□p :□I 2-5\n",
            "línea 4"},
        {"□p ⊢ □p\n1. □p :PR\n    2. □ :AS\n    3. p :R4 1\n4. □p :□I 2-3\n", "línea 3"},
        {"□p ⊢ □□p\n1. □p :PR\n2. □p :R4 1\n", "línea 2"},
        {"¬□p ⊢ □¬p\n1. ¬□p :PR\n    2. □ :AS\n    3. ¬p :R5 1\n4. □¬p :□I 2-3\n", "línea 3"},
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. □p :R5 1\n4. □□p :□I 2-3\n", "línea 3"},
        {"p ⊢ □p\n1. p :PR\n    2. □ :AS\n    3. p :R4 1\n4. □p :□I 2-3\n", "línea 3"},
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. □p :R4 1\n    4. □p :R4 3\n"
         "5. □□p :□I 2-4\n",
            "línea 4"},
    };
    checkCases(s5, ModalSystem::S5);
}

TEST_MAIN()
