// A derivation's wrong step answered with a model: the lines it cites (and what is assumed at
// that point) true and the line false, re-checked here by an evaluator of the model as shown,
// which shares nothing with the engine's. A step that some other rule gives gets no model.

#include "Harness.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <map>
#include <string>
#include <vector>

using namespace logic;

namespace {

std::vector<ProblemResult> derivations(const std::string &text)
{
    std::vector<ProblemResult> out;
    for (ProblemResult &r : checkText(text, ModalSystem::K, std::atomic<bool>{false}))
        if (r.derivation)
            out.push_back(std::move(r));
    return out;
}

// Truth in a model as the check window receives it: symbols by name, tuples of elements.
class ShownTruth
{
public:
    ShownTruth(const Logic &logic, const ShownModel &model) : L(logic), M(model) {}

    bool holds(int f, int w = 0)
    {
        const FormulaNode &n = L.node(f);
        switch (n.kind) {
        case Fk::Atom: {
            std::vector<int> tuple;
            for (int a : L.atomArgs(f))
                tuple.push_back(value(a));
            for (const ShownModel::Symbol &s : M.predicates)
                if (s.name == L.predicateSymbol(n.a).name && s.arity == int(tuple.size())) {
                    const auto &rows = s.rows[std::size_t(M.modal ? w : 0)];
                    for (const std::vector<int> &row : rows)
                        if (row == tuple)
                            return true;
                    return false;
                }
            CHECK_EQ("a symbol without a value: " + L.predicateSymbol(n.a).name, std::string());
            return false;
        }
        case Fk::Equal: return value(n.a) == value(n.b);
        case Fk::Top: return true;
        case Fk::Bottom: return false;
        case Fk::Not: return !holds(n.a, w);
        case Fk::And: return holds(n.a, w) && holds(n.b, w);
        case Fk::Or: return holds(n.a, w) || holds(n.b, w);
        case Fk::Implies: return !holds(n.a, w) || holds(n.b, w);
        case Fk::Iff: return holds(n.a, w) == holds(n.b, w);
        case Fk::Forall:
        case Fk::Exists: {
            const bool all = n.kind == Fk::Forall;
            const auto saved = m_env.find(n.a);
            const int before = saved == m_env.end() ? -1 : saved->second;
            bool result = all;
            for (int d = 0; d < M.domain && result == all; ++d) {
                m_env[n.a] = d;
                result = holds(n.b, w);
            }
            before < 0 ? void(m_env.erase(n.a)) : void(m_env[n.a] = before);
            return result;
        }
        case Fk::Box:
        case Fk::Diamond: {
            const bool all = n.kind == Fk::Box;
            for (const auto &[u, v] : M.access)
                if (u == w && holds(n.a, v) != all)
                    return !all;
            return all;
        }
        }
        return false;
    }

private:
    int value(int t)
    {
        const TermNode &n = L.term(t);
        if (n.kind == Tk::Var)
            return m_env.at(n.sym);
        std::vector<int> args;
        for (int a : L.args(t))
            args.push_back(value(a));
        const Symbol &f = L.functionSymbol(n.sym);
        for (const ShownModel::Symbol &s : M.functions)
            if (s.name == f.name && s.arity == f.arity)
                for (const std::vector<int> &row : s.rows[0])
                    if (std::vector<int>(row.begin(), row.end() - 1) == args)
                        return row.back();
        CHECK_EQ("a term without a value: " + f.name, std::string());
        return -1;
    }

    const Logic &L;
    const ShownModel &M;
    std::map<int, int> m_env;
};

// Whether @p r's model makes every formula of @p trueOnes true and @p falseOne false.
bool modelShows(
    const ProblemResult &r, const std::vector<std::string> &trueOnes, const std::string &falseOne)
{
    if (!r.model) {
        std::printf("  no model in: %s\n", r.explanation.c_str());
        return false;
    }
    Logic logic;
    auto formula = [&](const std::string &utf8) {
        const LineParse p = parseLine(logic, decode(utf8, Encoding::Utf8), Encoding::Utf8);
        CHECK(p.ok());
        return p.conclusion;
    };
    bool ok = true;
    for (const std::string &f : trueOnes)
        ok = ok && ShownTruth(logic, *r.model).holds(formula(f));
    return ok && !ShownTruth(logic, *r.model).holds(formula(falseOne))
        && r.explanation.find("Contraejemplo al paso: ") != std::string::npos;
}

} // namespace

TEST(aStepThatNoRuleGivesIsShownFalseWhereItsCitedLinesAreTrue)
{
    // Affirming the consequent.
    auto r = derivations("p → q, q ⊢ p\n"
                         "1. p → q :PR\n"
                         "2. q :PR\n"
                         "3. p :→E 1, 2\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"p → q", "q"}, "p"));
    CHECK(r.size() == 1
        && r[0].explanation.find(
               "son verdaderas las líneas citadas (1, 2), y es falsa la línea 3, «p»:")
            != std::string::npos);

    // First-order: the witness of ∃ is not every element.
    r = derivations("∃x Fx ⊢ ∀x Fx\n"
                    "1. ∃x Fx :PR\n"
                    "2. ∀x Fx :∀I 1\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"∃x Fx"}, "∀x Fx"));

    // A cited subderivation is true as its assumption → its last line.
    r = derivations("p ∨ q, p → r ⊢ r\n"
                    "1. p ∨ q :PR\n"
                    "2. p → r :PR\n"
                    "    3. p :AS\n"
                    "    4. r :→E 2, 3\n"
                    "5. r :∨E 1, 3-4\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"p ∨ q", "p → r"}, "r"));

    // Modal, outside any strict subderivation: the worlds come with the model.
    r = derivations("◇p ⊢ □p\n"
                    "1. ◇p :PR\n"
                    "2. □p :R 1\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"◇p"}, "□p"));
    CHECK(r.size() == 1 && r[0].model && r[0].model->modal);
}

TEST(insideASubderivationItsAssumptionsAreTrueInTheModelToo)
{
    // Line 3 cites only line 1; the assumption q is in force, and the model keeps it true.
    auto r = derivations("p → q ⊢ q → p\n"
                         "1. p → q :PR\n"
                         "    2. q :AS\n"
                         "    3. p :R 1\n"
                         "4. q → p :→I 2-3\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"p → q", "q"}, "p"));
    CHECK(r.size() == 1
        && r[0].explanation.find(
               "la línea citada (1) y las premisas y supuestos en vigor, y es falsa")
            != std::string::npos);

    // ∀I on a name of an open assumption: the name is not arbitrary, and the model says so.
    r = derivations("⊢ Fa → ∀x Fx\n"
                    "    1. Fa :AS\n"
                    "    2. ∀x Fx :∀I 1\n"
                    "3. Fa → ∀x Fx :→I 1-2\n");
    CHECK(r.size() == 1 && modelShows(r[0], {"Fa"}, "∀x Fx"));
}

TEST(aStepThatAnotherRuleGivesOrThatAModelCannotJudgeGetsNone)
{
    const char *sheets[] = {
        // →E, named ∧I.
        "p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :∧I 1, 2\n",
        // ∧E, named with the shape of another rule.
        "p ∧ q ⊢ p\n1. p ∧ q :PR\n2. p :∨E 1\n",
        // ∀I, named ∃I: a is arbitrary, so it does follow.
        "∀x Fx ⊢ ∀y Fy\n1. ∀x Fx :PR\n2. Fa :∀E 1\n3. ∀y Fy :∃I 2\n",
        // ∃E, named ∨E: correct once named right, though its subderivation alone would not say.
        "∃x Fx, ∀x(Fx → G) ⊢ G\n1. ∃x Fx :PR\n2. ∀x(Fx → G) :PR\n    3. Fa :AS\n"
        "    4. Fa → G :∀E 2\n    5. G :→E 4, 3\n6. G :∨E 1, 3-5\n",
        // Cites a line not yet written: the step is judged by nothing.
        "p ⊢ q\n1. p :PR\n2. q :→E 1, 3\n",
        // Inside a strict subderivation the lines hold at another world.
        "□p ⊢ □q\n1. □p :PR\n    2. □ :AS\n    3. q :□E 1\n4. □q :□I 2-3\n",
        // The step follows from what is in force, though not from the line it cites.
        "p, q ⊢ q\n1. p :PR\n2. q :PR\n3. q :∧E 1\n",
    };
    for (const char *sheet : sheets) {
        const auto r = derivations(sheet);
        CHECK(r.size() == 1 && !r[0].faults.empty());
        if (r.size() == 1
            && (r[0].model || r[0].explanation.find("Contraejemplo") != std::string::npos))
            CHECK_EQ(std::string(sheet) + r[0].explanation, std::string(sheet) + "no model");
    }
}

TEST(aStepNamedWronglyIsNotAWrongStepEvenWhereAModelWouldExist)
{
    // Line 2 is wrong, so Fa and ¬∀x Fx hold together somewhere; yet line 3 is ∀I on a name of
    // no premise: named ∃I, it is a slip of the name, not a step to refute.
    Logic logic;
    const std::vector<std::u32string> lines = splitTextLines("∃x Fx ⊢ ∀x Fx\n"
                                                             "1. ∃x Fx :PR\n"
                                                             "2. Fa :R 1\n"
                                                             "3. ∀x Fx :∃I 2\n");
    const std::vector<DerivationInText> found = findDerivations(logic, lines, ModalSystem::K);
    CHECK_EQ(found.size(), std::size_t{1});
    if (found.size() != 1)
        return;
    CHECK(wrongStep(logic, found[0].derivation, 2, ModalSystem::K).has_value());
    CHECK(!wrongStep(logic, found[0].derivation, 3, ModalSystem::K).has_value());
    const auto r = derivations(std::string("∃x Fx ⊢ ∀x Fx\n1. ∃x Fx :PR\n2. Fa :R 1\n"));
    CHECK(r.size() == 1 && modelShows(r[0], {"∃x Fx"}, "Fa"));
}

TEST_MAIN()
