// What the checker must never accept: formulas carried into strict subderivations by anything
// but the rules of the system in force, and mutants of the prover's modal derivations that the
// engine cannot show sound; and every spelling of the reader's table, each read in a right use.

#include "Engine.h"
#include "Harness.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <algorithm>
#include <chrono>
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

namespace {

std::vector<std::u32string> decoded(const std::vector<std::string> &utf8)
{
    std::vector<std::u32string> out;
    for (const std::string &l : utf8)
        out.push_back(decode(l, Encoding::Utf8));
    return out;
}

std::string leading(const std::string &line)
{
    return line.substr(0, line.find_first_not_of(" \t"));
}

std::string listed(const std::vector<std::string> &text)
{
    std::string all;
    for (const std::string &t : text)
        all += "\n      " + t;
    return all;
}

std::string written(Logic &logic, const std::string &indent, int k, int formula, Rule rule,
    const std::vector<Citation> &citations)
{
    std::string line = indent + std::to_string(k) + ". "
        + (formula < 0 ? std::string("□") : logic.text(formula)) + " :" + ruleName(rule);
    for (std::size_t i = 0; i < citations.size(); ++i)
        line += (i ? ", " : " ") + std::to_string(citations[i].first)
            + (citations[i].range ? "-" + std::to_string(citations[i].last) : "");
    return line;
}

// A new line, an earlier one carried here whole, boxed or without its modal operator by a rule
// that carries one line: what a student does who forgets where a subderivation's wall is. The
// lines after it are renumbered. Sound derivations hold no unused line, so only an insertion
// leaves the rest of a derivation as good as before.
std::vector<std::string> inserted(
    Logic &logic, const std::vector<std::string> &text, const Derivation &d, std::mt19937 &rng)
{
    // Before line j, in its subderivation; after it when it opens one.
    const int j = 2 + static_cast<int>(rng() % static_cast<unsigned>(d.count() - 1));
    const bool after = d.line(j).opens >= 0;
    const int at = after ? j + 1 : j; // the new line's number
    const int i = 1 + static_cast<int>(rng() % static_cast<unsigned>(at - 1));
    int formula = d.line(i).formula;
    if (formula >= 0) {
        const int options[] = {formula, logic.modal(Fk::Box, formula),
            isModalOp(logic.node(formula).kind) ? logic.node(formula).a : formula};
        formula = options[rng() % 3];
    }
    static constexpr Rule kCarriers[]
        = {Rule::Reiteration, Rule::BoxElim, Rule::RuleT, Rule::Rule4, Rule::Rule5};
    const Rule rule = kCarriers[rng() % std::size(kCarriers)];
    const auto renumbered = [&](int n) { return n >= at ? n + 1 : n; };
    std::vector<std::string> out;
    for (const DerivationLine &l : d.lines) {
        const std::string &was = text[static_cast<std::size_t>(l.textLine)];
        if (l.separator) {
            out.push_back(was);
            continue;
        }
        const std::string indent = leading(was);
        if (l.number == j && !after)
            out.push_back(written(logic, indent, at, formula, rule, {Citation{i, i, false}}));
        std::vector<Citation> citations = l.citations;
        for (Citation &c : citations) {
            c.first = renumbered(c.first);
            c.last = renumbered(c.last);
        }
        out.push_back(written(logic, indent, renumbered(l.number), l.formula, l.rule, citations));
        if (l.number == j && after)
            out.push_back(written(logic, indent, at, formula, rule, {Citation{i, i, false}}));
    }
    return out;
}

// One random change of one line: its formula (a modal operator dropped, swapped or added among
// the options), its rule, one of its citations or its indentation, which moves it into or out of
// a subderivation; or a line inserted.
std::vector<std::string> mutate(
    Logic &logic, const std::vector<std::string> &text, const Derivation &d, std::mt19937 &rng)
{
    int kind = static_cast<int>(rng() % 6);
    if (kind >= 4 && d.count() > 1)
        return inserted(logic, text, d, rng);
    const int k = 1 + static_cast<int>(rng() % static_cast<unsigned>(d.count()));
    const DerivationLine &l = d.line(k);
    int formula = l.formula;
    Rule rule = l.rule;
    std::vector<Citation> citations = l.citations;
    std::string indent = leading(text[static_cast<std::size_t>(l.textLine)]);
    if (kind >= 4 || (kind == 2 && citations.empty()))
        kind = 1;
    if (kind == 0) {
        std::vector<int> options;
        if (formula >= 0) {
            const FormulaNode n = logic.node(formula);
            options = {logic.negation(formula), logic.modal(Fk::Box, formula),
                logic.modal(Fk::Diamond, formula)};
            if (isBinary(n.kind)) {
                options.push_back(logic.binary(n.kind, n.b, n.a));
                options.push_back(n.a);
                options.push_back(logic.binary(n.kind == Fk::And ? Fk::Or : Fk::And, n.a, n.b));
            }
            if (n.kind == Fk::Not || isModalOp(n.kind))
                options.push_back(n.a);
            if (isModalOp(n.kind))
                options.push_back(logic.modal(n.kind == Fk::Box ? Fk::Diamond : Fk::Box, n.a));
        }
        const int other
            = d.line(1 + static_cast<int>(rng() % static_cast<unsigned>(d.count()))).formula;
        if (other >= 0 && other != formula)
            options.push_back(other);
        if (!options.empty())
            formula = options[rng() % options.size()];
    } else if (kind == 1) {
        do
            rule = static_cast<Rule>(1 + rng() % static_cast<unsigned>(Rule::Rule5));
        while (rule == l.rule);
    } else if (kind == 2) {
        Citation &c = citations[rng() % citations.size()];
        if (c.range && d.subproofs.size() > 1 && rng() % 2) {
            const Subderivation &other = d.subproofs[rng() % d.subproofs.size()];
            c.first = other.first;
            c.last = other.last;
        } else {
            int &end = (c.range && rng() % 2) ? c.last : c.first;
            const int was = end;
            do
                end = 1 + static_cast<int>(rng() % static_cast<unsigned>(d.count()));
            while (end == was);
        }
    } else if (indent.size() >= 4 && rng() % 2) {
        indent.resize(indent.size() - 4);
    } else {
        indent += "    ";
    }
    std::vector<std::string> out = text;
    out[static_cast<std::size_t>(l.textLine)] = written(logic, indent, k, formula, rule, citations);
    return out;
}

// What line @p k asserts outside every subderivation: its formula under the assumptions (as
// antecedents) and the strict openings (as □) around it, innermost first. A sound derivation's
// lines all follow from its premises so read, in its system; a strict opening asserts nothing
// (-1).
int asserted(Logic &logic, const Derivation &d, int k)
{
    int f = d.line(k).formula;
    if (f < 0)
        return -1;
    for (int s = d.line(k).subproof; s >= 0; s = d.subproofs[static_cast<std::size_t>(s)].parent) {
        const Subderivation &sub = d.subproofs[static_cast<std::size_t>(s)];
        if (sub.strict) {
            f = logic.modal(Fk::Box, f);
        } else {
            const int assumption = d.line(sub.first).formula;
            if (assumption < 0)
                return -1;
            f = logic.binary(Fk::Implies, assumption, f);
        }
    }
    return f;
}

// Why the engine does not find derivation @p d sound in @p system: its premises must entail its
// last line and what each line asserts. Empty when it does.
std::string unsoundness(Logic &logic, const Derivation &d, ModalSystem system)
{
    std::vector<int> premises;
    for (int k = 1; k <= d.count(); ++k)
        if (d.line(k).rule == Rule::Premise && d.line(k).formula >= 0)
            premises.push_back(d.line(k).formula);
    const DerivationLine &last = d.line(d.count());
    if (last.subproof >= 0 || last.formula < 0)
        return "does not end at the outermost level";
    if (judge(logic, premises, last.formula, true, system, seconds(10)).decision != Decision::Valid)
        return "its premises do not entail " + logic.text(last.formula);
    for (int k = 1; k < d.count(); ++k) {
        const int f = asserted(logic, d, k);
        if (f >= 0
            && judge(logic, premises, f, true, system, seconds(10)).decision != Decision::Valid)
            return "line " + std::to_string(k) + ": its premises do not entail " + logic.text(f);
    }
    return {};
}

struct Tally
{
    int derivations = 0, mutants = 0, rejected = 0, accepted = 0;
};

// Checks the derivation found for the argument, then @p count mutants of it: whatever the
// checker accepts, under the argument or as a derivation standing alone, must be sound.
void checkWithMutants(Logic &logic, const std::string &argument, const LineParse &p,
    const FoundDerivation &found, ModalSystem system, std::mt19937 &rng, int count, Tally &tally)
{
    const std::vector<std::string> text = found.text();
    const std::vector<std::u32string> lines = decoded(text);
    const Derivation d = readDerivation(logic, lines, 0);
    ArgumentGoal goal{p.premises, p.conclusion};
    const DerivationCheck c = checkDerivation(logic, d, &goal, system);
    ++tally.derivations;
    if (!c.provesArgument() || d.endLine != static_cast<int>(text.size())) {
        CHECK_EQ(argument + ": "
                + (c.faults.empty() ? std::string("unread lines") : faultMessage(c.faults[0]))
                + listed(text),
            std::string("correcta"));
        return;
    }
    if (const std::string why = unsoundness(logic, d, system); !why.empty()) {
        CHECK_EQ(argument + ": " + why + listed(text), std::string("a sound derivation"));
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> mutant = mutate(logic, text, d, rng);
        const std::vector<std::u32string> mutantLines = decoded(mutant);
        const Derivation m = readDerivation(logic, mutantLines, 0);
        ++tally.mutants;
        if (m.empty() || m.endLine != static_cast<int>(mutant.size())) {
            ++tally.rejected;
            continue;
        }
        const DerivationCheck alone = checkDerivation(logic, m, nullptr, system);
        if (!alone.correct() || !alone.finished) {
            ++tally.rejected;
            continue;
        }
        ++tally.accepted;
        if (const std::string why = unsoundness(logic, m, system); !why.empty())
            CHECK_EQ(std::string(systemName(system)) + ": accepted an unsound mutant (" + why
                    + "):" + listed(mutant),
                std::string("rejection"));
    }
}

struct ModalArguments
{
    ModalSystem system;
    std::vector<const char *> arguments;
};

// Textbook arguments, valid in their systems and most of them in no weaker one.
const std::vector<ModalArguments> kModalArguments = {
    {ModalSystem::K,
        {"□(p → q) ⊢ □p → □q", "□(p ∧ q) ⊢ □p ∧ □q", "□p ∧ □q ⊢ □(p ∧ q)", "□p ∨ □q ⊢ □(p ∨ q)",
            "◇(p ∨ q) ⊢ ◇p ∨ ◇q", "◇p ∨ ◇q ⊢ ◇(p ∨ q)", "◇(p ∧ q) ⊢ ◇p ∧ ◇q", "¬◇p ⊢ □¬p",
            "□¬p ⊢ ¬◇p", "⊢ □(p → q) → (◇p → ◇q)", "□(p → q), ◇p ⊢ ◇q", "□p, ◇q ⊢ ◇(p ∧ q)",
            "◇¬p ⊢ ¬□p", "⊢ □⊤", "□(p ↔ q) ⊢ □p ↔ □q", "□(p → q), □(q → r) ⊢ □(p → r)",
            "□□(p ∧ q) ⊢ □□p", "□p ⊢ □(q → p)", "□(p ∨ q), □¬p ⊢ □q"}},
    {ModalSystem::T,
        {"□p ⊢ p", "p ⊢ ◇p", "□p ⊢ ◇p", "⊢ □p → p", "□(p → q), □p ⊢ q", "□(p ∧ q) ⊢ p", "□□p ⊢ □p",
            "□□p ⊢ p", "⊢ p → ◇p", "¬◇p ⊢ ¬p", "□¬p ⊢ ¬p", "□(p → q), ¬q ⊢ ¬p", "□p, □(p → q) ⊢ ◇q",
            "p ⊢ ◇◇p", "□(p ∨ q), ¬p ⊢ q", "□p ∧ □q ⊢ p ∧ q", "¬p ⊢ ¬□p"}},
    {ModalSystem::S4,
        {"□p ⊢ □□p", "◇◇p ⊢ ◇p", "□p ⊢ □□□p", "⊢ □p → □□p", "□(p → q), □p ⊢ □□q", "□p ⊢ □(q → □p)",
            "□p ∧ □q ⊢ □□(p ∧ q)", "□p ⊢ p", "◇◇◇p ⊢ ◇p", "□p ⊢ □◇p", "□□p ⊢ □p", "¬◇p ⊢ □□¬p",
            "□p, □q ⊢ □(□p ∧ □q)", "□(p → q) ⊢ □(□p → □q)", "□p ∨ □q ⊢ □(□p ∨ □q)", "◇□◇p ⊢ ◇p"}},
    {ModalSystem::S5,
        {"◇p ⊢ □◇p", "◇□p ⊢ □p", "□p ⊢ □□p", "¬□p ⊢ □¬□p", "◇p, □(p → □q) ⊢ □q", "□◇□p ⊢ □p",
            "□p ⊢ p", "◇◇p ⊢ ◇p", "◇p ∧ ◇q ⊢ □(◇p ∧ ◇q)", "⊢ ◇p → □◇p", "□◇p ⊢ ◇p", "◇□p ⊢ □□p",
            "¬□p ⊢ □◇¬p", "◇p, □(p → q) ⊢ □◇q", "□(p ∨ □q) ⊢ □p ∨ □q", "◇□p ⊢ □◇□p"}},
};

} // namespace

TEST(modalDerivationsOfTheProverAreAcceptedAndNoUnsoundMutantIs)
{
    std::mt19937 rng(2029);
    ProverOptions raw;
    raw.verify = false; // the checker must see what the search itself writes
    for (const ModalArguments &set : kModalArguments) {
        Tally tally;
        int proved = 0;
        for (const char *argument : set.arguments) {
            Logic logic;
            const LineParse p = parseLine(logic, decode(argument, Encoding::Utf8), Encoding::Utf8);
            const FoundDerivation found
                = proveArgument(logic, p.premises, p.conclusion, set.system, seconds(2), raw);
            if (!found.found) {
                CHECK_EQ(std::string(systemName(set.system)) + ": no derivation for " + argument,
                    std::string("a derivation"));
                continue;
            }
            ++proved;
            checkWithMutants(logic, argument, p, found, set.system, rng, 200, tally);
        }
        std::printf("  %s: %d of %d proved; %d mutants: %d rejected, %d accepted and sound\n",
            systemName(set.system), proved, static_cast<int>(set.arguments.size()), tally.mutants,
            tally.rejected, tally.accepted);
        CHECK(set.arguments.size() >= 15);
        // A mutation rarely yields another derivation, even with no argument to prove.
        CHECK(tally.rejected * 100 >= tally.mutants * 80);
    }
}

namespace {

struct Spelling
{
    const char *text;
    Rule rule;
    const char *enumerator;
};

#define SPELLING(text, rule)                                                                       \
    {                                                                                              \
        text, Rule::rule, #rule                                                                    \
    }

// The reader's table of spellings, as it is written there: symbols as the reader leaves them,
// letters in upper case.
const std::vector<Spelling> kSpellings = {SPELLING("PR", Premise), SPELLING("PREMISA", Premise),
    SPELLING("PREMISE", Premise), SPELLING("P", Premise), SPELLING("AS", Assumption),
    SPELLING("SUPUESTO", Assumption), SPELLING("HIPOTESIS", Assumption),
    SPELLING("HIP", Assumption), SPELLING("R", Reiteration), SPELLING("REIT", Reiteration),
    SPELLING("∧I", AndIntro), SPELLING("I∧", AndIntro), SPELLING("∧E", AndElim),
    SPELLING("E∧", AndElim), SPELLING("∨I", OrIntro), SPELLING("I∨", OrIntro),
    SPELLING("∨E", OrElim), SPELLING("E∨", OrElim), SPELLING("→I", ImpliesIntro),
    SPELLING("I→", ImpliesIntro), SPELLING("TD", ImpliesIntro), SPELLING("→E", ImpliesElim),
    SPELLING("E→", ImpliesElim), SPELLING("MP", ImpliesElim), SPELLING("↔I", IffIntro),
    SPELLING("I↔", IffIntro), SPELLING("NI", IffIntro), SPELLING("IN", IffIntro),
    SPELLING("↔E", IffElim), SPELLING("E↔", IffElim), SPELLING("NE", IffElim),
    SPELLING("EN", IffElim), SPELLING("¬I", NotIntro), SPELLING("I¬", NotIntro),
    SPELLING("¬E", NotElim), SPELLING("E¬", NotElim), SPELLING("⊤I", TopIntro),
    SPELLING("TI", TopIntro), SPELLING("X", Explosion), SPELLING("⊥E", Explosion),
    SPELLING("E⊥", Explosion), SPELLING("EFQ", Explosion), SPELLING("IP", IndirectProof),
    SPELLING("RAA", IndirectProof), SPELLING("DS", DisjunctiveSyllogism),
    SPELLING("SD", DisjunctiveSyllogism), SPELLING("MT", ModusTollens),
    SPELLING("DNE", DoubleNegation), SPELLING("DN", DoubleNegation),
    SPELLING("¬¬E", DoubleNegation), SPELLING("LEM", ExcludedMiddle),
    SPELLING("TND", ExcludedMiddle), SPELLING("DEM", DeMorgan), SPELLING("DM", DeMorgan),
    SPELLING("∀I", ForallIntro), SPELLING("AI", ForallIntro), SPELLING("I∀", ForallIntro),
    SPELLING("∀E", ForallElim), SPELLING("AE", ForallElim), SPELLING("E∀", ForallElim),
    SPELLING("∃I", ExistsIntro), SPELLING("EI", ExistsIntro), SPELLING("I∃", ExistsIntro),
    SPELLING("∃E", ExistsElim), SPELLING("EE", ExistsElim), SPELLING("E∃", ExistsElim),
    SPELLING("=I", IdentityIntro), SPELLING("=E", IdentityElim),
    SPELLING("CQ", QuantifierConversion), SPELLING("□I", BoxIntro), SPELLING("□E", BoxElim),
    SPELLING("DEF◇", DiamondDefinition), SPELLING("MC", ModalConversion), SPELLING("I□", BoxIntro),
    SPELLING("E□", BoxElim), SPELLING("RT", RuleT), SPELLING("R4", Rule4), SPELLING("R5", Rule5)};

#undef SPELLING

// A short correct use of each rule, "{R}" standing for its spelling, in the system it needs.
struct Use
{
    Rule rule;
    int line; // the line that uses it
    const char *text;
    ModalSystem system = ModalSystem::K;
};

const std::vector<Use> kUses = {
    {Rule::Premise, 1, "p ⊢ p\n1. p :{R}\n"},
    {Rule::Assumption, 1, "⊢ p → p\n    1. p :{R}\n2. p → p :→I 1-1\n"},
    {Rule::Reiteration, 2, "p ⊢ p\n1. p :PR\n2. p :{R} 1\n"},
    {Rule::AndIntro, 3, "p, q ⊢ p ∧ q\n1. p :PR\n2. q :PR\n3. p ∧ q :{R} 1, 2\n"},
    {Rule::AndElim, 2, "p ∧ q ⊢ q\n1. p ∧ q :PR\n2. q :{R} 1\n"},
    {Rule::OrIntro, 2, "p ⊢ q ∨ p\n1. p :PR\n2. q ∨ p :{R} 1\n"},
    {Rule::OrElim, 6,
        "p ∨ q ⊢ q ∨ p\n1. p ∨ q :PR\n    2. p :AS\n    3. q ∨ p :∨I 2\n--\n    4. q :AS\n"
        "    5. q ∨ p :∨I 4\n6. q ∨ p :{R} 1, 2-3, 4-5\n"},
    {Rule::ImpliesIntro, 2, "⊢ p → p\n    1. p :AS\n2. p → p :{R} 1-1\n"},
    {Rule::ImpliesElim, 3, "p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :{R} 1, 2\n"},
    {Rule::IffIntro, 4,
        "⊢ p ↔ p\n    1. p :AS\n    2. p :R 1\n--\n    3. p :AS\n4. p ↔ p :{R} 1-2, 3-3\n"},
    {Rule::IffElim, 3, "p ↔ q, q ⊢ p\n1. p ↔ q :PR\n2. q :PR\n3. p :{R} 1, 2\n"},
    {Rule::NotIntro, 5,
        "p → ¬p ⊢ ¬p\n1. p → ¬p :PR\n    2. p :AS\n    3. ¬p :→E 1, 2\n    4. ⊥ :¬E 2, 3\n"
        "5. ¬p :{R} 2-4\n"},
    {Rule::NotElim, 3, "p, ¬p ⊢ ⊥\n1. p :PR\n2. ¬p :PR\n3. ⊥ :{R} 1, 2\n"},
    {Rule::TopIntro, 1, "⊢ ⊤\n1. ⊤ :{R}\n"},
    {Rule::Explosion, 2, "⊥ ⊢ q\n1. ⊥ :PR\n2. q :{R} 1\n"},
    {Rule::IndirectProof, 4,
        "¬¬p ⊢ p\n1. ¬¬p :PR\n    2. ¬p :AS\n    3. ⊥ :¬E 2, 1\n4. p :{R} 2-3\n"},
    {Rule::DisjunctiveSyllogism, 3, "p ∨ q, ¬q ⊢ p\n1. p ∨ q :PR\n2. ¬q :PR\n3. p :{R} 1, 2\n"},
    {Rule::ModusTollens, 3, "p → q, ¬q ⊢ ¬p\n1. p → q :PR\n2. ¬q :PR\n3. ¬p :{R} 1, 2\n"},
    {Rule::DoubleNegation, 2, "¬¬p ⊢ p\n1. ¬¬p :PR\n2. p :{R} 1\n"},
    {Rule::ExcludedMiddle, 7,
        "p → q, ¬p → q ⊢ q\n1. p → q :PR\n2. ¬p → q :PR\n    3. p :AS\n    4. q :→E 1, 3\n--\n"
        "    5. ¬p :AS\n    6. q :→E 2, 5\n7. q :{R} 3-4, 5-6\n"},
    {Rule::DeMorgan, 2, "¬(p ∧ q) ⊢ ¬p ∨ ¬q\n1. ¬(p ∧ q) :PR\n2. ¬p ∨ ¬q :{R} 1\n"},
    {Rule::ForallIntro, 3, "∀xFx ⊢ ∀yFy\n1. ∀xFx :PR\n2. Fb :∀E 1\n3. ∀yFy :{R} 2\n"},
    {Rule::ForallElim, 2, "∀xFx ⊢ Fa\n1. ∀xFx :PR\n2. Fa :{R} 1\n"},
    {Rule::ExistsIntro, 2, "Fa ⊢ ∃xFx\n1. Fa :PR\n2. ∃xFx :{R} 1\n"},
    {Rule::ExistsElim, 5,
        "∃x(Fx ∧ Gx) ⊢ ∃xFx\n1. ∃x(Fx ∧ Gx) :PR\n    2. Fc ∧ Gc :AS\n    3. Fc :∧E 2\n"
        "    4. ∃xFx :∃I 3\n5. ∃xFx :{R} 1, 2-4\n"},
    {Rule::IdentityIntro, 1, "⊢ a = a\n1. a = a :{R}\n"},
    {Rule::IdentityElim, 3, "a = b, Fa ⊢ Fb\n1. a = b :PR\n2. Fa :PR\n3. Fb :{R} 1, 2\n"},
    {Rule::QuantifierConversion, 2, "¬∃xFx ⊢ ∀x¬Fx\n1. ¬∃xFx :PR\n2. ∀x¬Fx :{R} 1\n"},
    {Rule::BoxIntro, 3, "⊢ □⊤\n    1. □ :AS\n    2. ⊤ :⊤I\n3. □⊤ :{R} 1-2\n"},
    {Rule::BoxElim, 3,
        "□(p ∧ q) ⊢ □p\n1. □(p ∧ q) :PR\n    2. □ :AS\n    3. p ∧ q :{R} 1\n    4. p :∧E 3\n"
        "5. □p :□I 2-4\n"},
    {Rule::DiamondDefinition, 2, "◇p ⊢ ¬□¬p\n1. ◇p :PR\n2. ¬□¬p :{R} 1\n"},
    {Rule::ModalConversion, 2, "¬◇p ⊢ □¬p\n1. ¬◇p :PR\n2. □¬p :{R} 1\n"},
    {Rule::RuleT, 2, "□p ⊢ p\n1. □p :PR\n2. p :{R} 1\n", ModalSystem::T},
    {Rule::Rule4, 3, "□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. □p :{R} 1\n4. □□p :□I 2-3\n",
        ModalSystem::S4},
    {Rule::Rule5, 3, "¬□p ⊢ □¬□p\n1. ¬□p :PR\n    2. □ :AS\n    3. ¬□p :{R} 1\n4. □¬□p :□I 2-3\n",
        ModalSystem::S5},
};

std::string replaced(std::string text, const std::string &spelling)
{
    const std::size_t at = text.find("{R}");
    return text.replace(at, 3, spelling);
}

// ASCII letters in lower case; the symbols as they are.
std::string lowered(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The rule the reader takes line @p k of @p utf8 to use.
Rule ruleRead(const std::string &utf8, int k)
{
    Logic logic;
    const std::vector<DerivationInText> found
        = findDerivations(logic, splitTextLines(utf8), ModalSystem::K);
    if (found.size() != 1 || found[0].derivation.count() < k)
        return Rule::Unknown;
    return found[0].derivation.line(k).rule;
}

} // namespace

TEST(everySpellingOfTheReadersTableChecksARightUseOfItsRule)
{
    // The list above is the reader's own table, entry for entry.
    std::ifstream in(std::string(ZV_SOURCE_DIR) + "/logic/deduction/Rules.cpp");
    const std::string source(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex entry(R"re(\{U"([^"]*)", Rule::(\w+)\})re");
    std::set<std::pair<std::string, std::string>> table, listed;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), entry);
         it != std::sregex_iterator(); ++it)
        table.insert({(*it)[1].str(), (*it)[2].str()});
    for (const Spelling &s : kSpellings)
        listed.insert({s.text, s.enumerator});
    CHECK_EQ(table.size(), std::size_t{78});
    CHECK_EQ(listed.size(), kSpellings.size());
    for (const auto &[text, rule] : table)
        if (!listed.count({text, rule}))
            CHECK_EQ("the table's " + text + " for " + rule, std::string("listed here"));
    for (const auto &[text, rule] : listed)
        if (!table.count({text, rule}))
            CHECK_EQ(text + " for " + rule, std::string("in the table"));

    std::set<Rule> used;
    for (const Spelling &s : kSpellings) {
        const auto use = std::find_if(
            kUses.begin(), kUses.end(), [&](const Use &u) { return u.rule == s.rule; });
        if (use == kUses.end()) {
            CHECK_EQ(std::string("no use of ") + s.enumerator, std::string("a use"));
            continue;
        }
        used.insert(s.rule);
        // In either case; "R4" and "R5" cite a line after them, or they would be "R" of it.
        for (const std::string &spelling : {std::string(s.text), lowered(s.text)}) {
            const std::string text = replaced(use->text, spelling);
            if (ruleRead(text, use->line) != s.rule)
                CHECK_EQ(spelling + " read as " + ruleName(ruleRead(text, use->line)),
                    spelling + " read as " + ruleName(s.rule));
            checkCases({{text.c_str(), "correcta"}}, use->system);
        }
    }
    CHECK_EQ(used.size(), kUses.size());

    // Wrong uses under the spellings read least, each faulted at its line.
    const std::vector<std::pair<Case, ModalSystem>> wrong = {
        {{"p ⊢ q\n1. p :PREMISE\n2. q :PREMISE\n", "línea 2"}, ModalSystem::K},
        {{"p ↔ q, r ⊢ p\n1. p ↔ q :PR\n2. r :PR\n3. p :NE 1, 2\n", "línea 3"}, ModalSystem::K},
        {{"p ↔ q, q ⊢ q\n1. p ↔ q :PR\n2. q :PR\n3. q :en 1, 2\n", "línea 3"}, ModalSystem::K},
        {{"p ⊢ p ↔ q\n1. p :PR\n    2. p :AS\n    3. p :R 2\n--\n    4. q :AS\n    5. p :R 1\n"
          "6. p ↔ q :NI 2-3, 4-5\n",
             "línea 6"},
            ModalSystem::K},
        {{"⊢ ⊤ ∧ ⊤\n1. ⊤ ∧ ⊤ :TI\n", "línea 1"}, ModalSystem::K},
        {{"p ⊢ q\n1. p :PR\n2. q :E⊥ 1\n", "línea 2"}, ModalSystem::K},
        {{"p ⊢ □p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. □p :I□ 2-3\n", "línea 4"},
            ModalSystem::K},
        {{"□p ⊢ p\n1. □p :PR\n2. p :E□ 1\n", "línea 2"}, ModalSystem::K},
        {{"□p ⊢ p\n1. □p :PR\n2. p :rt 1\n", "línea 2"}, ModalSystem::D},
        {{"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n    3. □p :r4 1\n4. □□p :□I 2-3\n", "línea 3"},
            ModalSystem::B},
    };
    for (const auto &[c, system] : wrong)
        checkCases({c}, system);
}

TEST_MAIN()
