#include "Engine.h"

#include "models/ModelText.h"
#include "models/Models.h"
#include "propositional/Analysis.h"
#include "propositional/Evaluator.h"
#include "saturation/Grounding.h"
#include "saturation/SaturationProver.h"
#include "syntax/Parser.h"
#include "tableau/WorldTableau.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace logic {
namespace {

// The tableau's first rounds are cheap; later ones get exponentially more steps, so that the
// countermodel search keeps its turns.
constexpr std::int64_t kTreeSteps = 400'000;
constexpr int kFirstRoundMilliseconds = 20;
// Unoptimised and sanitised builds (where the tests also run) do a tenth of the work in the
// tree's time after a proof, and get ten times as much.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr int kSlowBuild = 1;
#else
constexpr int kSlowBuild = 10;
#endif

std::string plural(int n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

struct Problem
{
    Logic logic;
    std::vector<int> premises;
    int conclusion = -1;
    bool argument = false;
    bool satisfiability = false; // the one premise is a formula, the conclusion ⊥
    ModalSystem system = ModalSystem::K;
    bool modal = false, firstOrder = false, propositional = true;

    // Everything that must be true in a countermodel.
    std::vector<int> refutation()
    {
        std::vector<int> all = premises;
        all.push_back(logic.negation(conclusion));
        return all;
    }
};

const char *checkedNote(const Problem &p)
{
    if (p.satisfiability)
        return "comprobado: en él la fórmula es verdadera";
    return p.argument ? "comprobado: en él las premisas son verdaderas y la conclusión falsa"
                      : "comprobado: en él la fórmula es falsa";
}

// @p store holds the tree's formulas: the problem's own, or a round's copy of it.
Judgement valid(const Problem &p, const Logic &store, TableauResult t)
{
    Judgement j;
    j.decision = Decision::Valid;
    t.tree.premiseIsFormula = p.satisfiability;
    j.explanation
        = std::string(p.satisfiability ? "Árbol cerrado de la fórmula (" : "Árbol cerrado (")
        + (p.modal ? "sistema " : "") + (p.modal ? systemName(p.system) : "")
        + (p.modal ? "; " : "") + "cada rama acaba en × con las dos líneas que se contradicen):\n"
        + treeText(store, t.tree);
    j.reason
        = "árbol cerrado de " + plural(static_cast<int>(t.tree.nodes.size()), "línea", "líneas");
    j.tree = showTree(store, t.tree);
    return j;
}

Judgement invalid(const Problem &p, const std::vector<int> &refutation, const Structure &model)
{
    Judgement j;
    j.decision = Decision::Invalid;
    j.explanation = std::string(p.satisfiability ? "Modelo (" : "Contramodelo (") + checkedNote(p)
        + "):\n" + describeModel(p.logic, refutation, model, p.firstOrder, p.modal);
    j.model = showModel(p.logic, refutation, model, p.firstOrder, p.modal);
    if (p.firstOrder && p.modal)
        j.reason = "contramodelo de " + plural(model.domain, "elemento", "elementos") + " y "
            + plural(model.worlds, "mundo", "mundos");
    else if (p.modal)
        j.reason = "contramodelo de " + plural(model.worlds, "mundo", "mundos");
    else
        j.reason = "contramodelo de " + plural(model.domain, "elemento", "elementos");
    return j;
}

Judgement proved(const Problem &p, const ClauseProof &proof)
{
    Judgement j;
    j.decision = Decision::Valid;
    j.explanation
        = std::string(p.satisfiability
                  ? "Demostración por saturación (la fórmula, en forma clausal, lleva a ⊥;"
                  : p.argument ? "Demostración por saturación (las premisas y la negación "
                                 "de la conclusión, en forma clausal, llevan a ⊥;"
                               : "Demostración por saturación (la negación de la fórmula, "
                                 "en forma clausal, lleva a ⊥;")
        + " cada cláusula vale para todos los valores de sus "
          "variables):\n"
        + proofText(p.logic, proof);
    j.reason = "refutación por saturación de "
        + plural(static_cast<int>(proof.steps.size()), "paso", "pasos");
    return j;
}

// ---- propositional problems: the solver decides, the tableau explains ----------------------

Judgement propositional(Problem &p, const Budget &budget, Explain explain)
{
    Arena arena;
    std::vector<int> premises;
    for (int f : p.premises)
        premises.push_back(toArena(p.logic, f, arena));
    const int conclusion = toArena(p.logic, p.conclusion, arena);
    const ArgumentCheck check
        = checkArgument(arena, premises, conclusion, Engine::Automatic, {kConflictLimit, budget});
    Judgement j;
    if (check.counterexampleFound == Found::Unknown) {
        j.stop = check.effort.stop;
        j.explanation = "No determinado: la búsqueda de una valoración "
            + std::string(j.stop == Stop::Conflicts
                    ? "llegó a su límite de " + std::to_string(kConflictLimit) + " conflictos"
                    : j.stop == Stop::Cancelled ? "se canceló"
                                                : "llegó al límite de tiempo de "
                        + std::to_string(kProblemSeconds.count()) + " s de procesador")
            + ".\n";
        j.reason = stopWords(j.stop);
        return j;
    }
    if (check.counterexampleFound == Found::Yes) {
        // The plain evaluator confirms the valuation before anyone reads it.
        bool ok = !evaluateOnce(arena, conclusion, check.vars, check.counterexample);
        for (int f : premises)
            ok = ok && evaluateOnce(arena, f, check.vars, check.counterexample);
        if (!ok) {
            j.explanation = "No determinado: la valoración hallada no superó la comprobación.\n";
            j.reason = "comprobación fallida";
            return j;
        }
        j.decision = Decision::Invalid;
        std::string values;
        for (std::size_t i = 0; i < check.vars.size(); ++i)
            values += (i ? ", " : "") + arena.variableName(check.vars[i]) + " = "
                + (check.counterexample[i] ? "V" : "F");
        j.explanation = std::string(p.satisfiability ? "Valoración (" : "Contramodelo (")
            + checkedNote(p) + "):\n" + (values.empty() ? std::string("(ninguna letra)") : values)
            + "\n";
        j.reason = "valoración " + values;
        ShownModel &model = j.model.emplace();
        for (std::size_t i = 0; i < check.vars.size(); ++i) {
            ShownModel::Symbol &letter = model.predicates.emplace_back();
            letter.name = arena.variableName(check.vars[i]);
            letter.rows.emplace_back();
            if (check.counterexample[i])
                letter.rows.back().emplace_back();
        }
        return j;
    }
    // The solver has decided; the tree only explains, and only while it fits the window.
    j.decision = Decision::Valid;
    j.reason = "sin valoración que lo refute";
    j.explanation = "Ninguna valoración "
        + std::string(p.argument ? "hace verdaderas las premisas y falsa la conclusión"
                                 : "hace falsa la fórmula")
        + " (lo ha comprobado el resolvedor SAT)";
    if (explain == Explain::VerdictOnly) {
        j.explanation += ".\n";
        return j;
    }
    TableauOptions options;
    options.conclusionIsFormula = !p.argument;
    options.stepLimit = kTreeSteps;
    options.branchLimit = kMaxTreeBranches;
    const TableauResult t = runTableau(p.logic, p.premises, p.conclusion, options,
        budget.until(CpuClock::now() + kTreeAfterSolver));
    if (t.kind == TableauResult::Kind::Closed)
        return valid(p, p.logic, t);
    j.explanation += "; árbol omitido: "
        + (t.closedBranches > kMaxTreeBranches
                ? "más de " + std::to_string(kMaxTreeBranches)
                    + " ramas, que no caben en la ventana"
                : "no se completó en " + std::to_string(kTreeAfterSolver.count()) + " ms, con "
                    + plural(t.closedBranches, "rama cerrada", "ramas cerradas"))
        + ".\n";
    return j;
}

// ---- a countermodel read from an open branch of a modal tableau ----------------------------

// The evaluator's word on a model found by a search: frame and every formula at world 0.
bool holdsAll(Problem &p, const std::vector<int> &formulas, const Structure &s)
{
    if (p.modal && !frameFits(s, p.system))
        return false;
    for (int f : formulas)
        if (!holdsIn(p.logic, s, f))
            return false;
    return true;
}

std::optional<Structure> branchModel(Problem &p, const Logic &store, const OpenBranch &open)
{
    Structure s;
    const int m = open.worlds;
    s.worlds = m;
    s.access.assign(static_cast<std::size_t>(m), std::vector<char>(static_cast<std::size_t>(m), 0));
    auto r = [&](int u, int v) -> char & {
        return s.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)];
    };
    for (const auto &[u, v] : open.edges)
        r(u, v) = 1;
    // A blocked world borrows the successors of the world that blocked it.
    for (const auto &[w, by] : open.blocked)
        for (int v = 0; v < m; ++v)
            if (r(by, v))
                r(w, v) = 1;
    for (bool changed = true; changed;) {
        changed = false;
        for (int u = 0; u < m; ++u)
            for (int v = 0; v < m; ++v) {
                if (p.system == ModalSystem::S5 && !r(u, v))
                    r(u, v) = 1, changed = true;
                if (isReflexive(p.system) && u == v && !r(u, v))
                    r(u, v) = 1, changed = true;
                if (isSymmetric(p.system) && r(u, v) && !r(v, u))
                    r(v, u) = 1, changed = true;
                for (int z = 0; z < m && isTransitive(p.system); ++z)
                    if (r(u, v) && r(v, z) && !r(u, z))
                        r(u, z) = 1, changed = true;
            }
        // A world with no successor, where no □ asks anything, may see itself in a serial frame.
        for (int u = 0; u < m && isSerial(p.system); ++u)
            if (std::none_of(s.access[static_cast<std::size_t>(u)].begin(),
                    s.access[static_cast<std::size_t>(u)].end(), [](char c) { return c != 0; }))
                r(u, u) = 1, changed = true;
    }
    std::vector<int> formulas = p.refutation();
    for (int i = 0; i < store.predicateCount(); ++i)
        s.predicates[i].assign(static_cast<std::size_t>(m), 0);
    for (const auto &[w, f] : open.literals) {
        const FormulaNode &n = store.node(f);
        if (n.kind != Fk::Atom || n.b >= 0)
            return std::nullopt; // only propositional letters here
        s.predicates[n.a][static_cast<std::size_t>(w)] = 1;
    }
    bool ok = frameFits(s, p.system);
    for (int f : formulas)
        ok = ok && holdsIn(p.logic, s, f);
    if (!ok)
        return std::nullopt;
    return s;
}

// ---- the laws of identity, for the rounds that reason about = through them ---------------------

// Walks the formulas from @p roots, each node once: @p predicate(f) at each atom, @p equality()
// at each identity, then @p function(t) at each function application in their terms.
template <class Predicate, class Equality, class Function>
void walkSymbols(const Logic &L, std::vector<int> roots, Predicate &&predicate, Equality &&equality,
    Function &&function)
{
    std::vector<int> &stack = roots;
    std::vector<int> terms;
    std::set<int> seen;
    while (!stack.empty()) {
        const int f = stack.back();
        stack.pop_back();
        if (!seen.insert(f).second)
            continue;
        const FormulaNode &n = L.node(f);
        if (n.kind == Fk::Atom) {
            predicate(f);
            for (int a : L.atomArgs(f))
                terms.push_back(a);
        } else if (n.kind == Fk::Equal) {
            equality();
            terms.push_back(n.a), terms.push_back(n.b);
        } else if (n.kind == Fk::Not || isModalOp(n.kind)) {
            stack.push_back(n.a);
        } else if (isBinary(n.kind)) {
            stack.push_back(n.a), stack.push_back(n.b);
        } else if (isQuantifier(n.kind)) {
            stack.push_back(n.b);
        }
    }
    while (!terms.empty()) {
        const int t = terms.back();
        terms.pop_back();
        if (L.term(t).kind != Tk::App)
            continue;
        function(t);
        for (int a : L.args(t))
            terms.push_back(a);
    }
}

// Transitivity, and substitution at each place of each predicate and function with terms:
// ∀x1∀x2∀y((x1 = y ∧ Rx1x2) → Ryx2). Symmetry and reflexivity the tree has already (a pair
// a = b, b ≠ a closes, and so does a ≠ a).
std::vector<int> identityAxioms(Logic &L, const std::vector<int> &formulas)
{
    std::set<int> predicates, functions;
    bool identity = false;
    walkSymbols(
        L, formulas, [&](int atom) { predicates.insert(L.node(atom).a); }, [&] { identity = true; },
        [&](int t) { functions.insert(L.term(t).sym); });
    std::vector<int> axioms;
    if (!identity)
        return axioms;
    auto var = [&](const std::string &name) { return L.var(L.variable(name)); };
    auto all = [&](const std::vector<std::string> &names, int body) {
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            body = L.quantified(Fk::Forall, L.variable(*it), body);
        return body;
    };
    const int x = var("x"), y = var("y"), z = var("z");
    axioms.push_back(all({"x", "y", "z"},
        L.binary(Fk::Implies, L.binary(Fk::And, L.equal(x, y), L.equal(y, z)), L.equal(x, z))));
    auto places = [&](int arity, auto make) {
        std::vector<std::string> names;
        std::vector<int> xs;
        for (int i = 1; i <= arity; ++i) {
            names.push_back("x" + std::to_string(i));
            xs.push_back(var(names.back()));
        }
        names.push_back("y");
        for (int i = 0; i < arity; ++i) {
            std::vector<int> ys = xs;
            ys[static_cast<std::size_t>(i)] = y;
            axioms.push_back(all(names, make(xs, ys, L.equal(xs[static_cast<std::size_t>(i)], y))));
        }
    };
    for (int p : predicates)
        places(L.predicateSymbol(p).arity,
            [&](const std::vector<int> &xs, const std::vector<int> &ys, int same) {
                return L.binary(Fk::Implies, L.binary(Fk::And, same, L.atom(p, xs)), L.atom(p, ys));
            });
    for (int f : functions)
        places(L.functionSymbol(f).arity,
            [&](const std::vector<int> &xs, const std::vector<int> &ys, int same) {
                return L.binary(Fk::Implies, same, L.equal(L.app(f, xs), L.app(f, ys)));
            });
    return axioms;
}

// ---- the search ------------------------------------------------------------------------------

// One way of searching, with its own depth, its own time slice and the time it has used.
struct Strategy
{
    enum Kind { Models, Branch, Line, Identity, Saturation, Worlds, Ground } kind;
    int limit = 1;
    CpuClock::duration slice = std::chrono::milliseconds(kFirstRoundMilliseconds);
    CpuClock::duration spent{};
    bool done = false;
    int weight = 1; // its share of the time, against the others'
};

Judgement search(Problem &p, const Budget &budget, Explain explain)
{
    const std::vector<int> refutation = p.refutation();
    // Model sizes in the order tried: domains for first-order logic, worlds for modal logic, and
    // both, smallest total first, when quantifiers and modal operators mix.
    std::vector<std::pair<int, int>> sizes;
    for (int total = 2; total <= kMaxModelDomain + kMaxModelWorlds; ++total)
        for (int d = 1; d < total; ++d) {
            const int w = total - d;
            if (d > kMaxModelDomain || w > kMaxModelWorlds)
                continue;
            if ((!p.firstOrder && d > 1) || (!p.modal && w > 1))
                continue;
            sizes.emplace_back(d, w);
        }
    // The tableau deepens in turns: by instances of ∀ per branch, which suits proofs that need
    // many different ∀; per ∀ line, which suits proofs that need each ∀ a few times; and, where =
    // occurs, with the laws of identity as lines, for proofs in which identities must give free
    // variables their values. Whichever has used the least time goes next, so that none starves.
    std::vector<int> all = p.premises;
    all.push_back(p.conclusion);
    const std::vector<int> axioms
        = p.firstOrder ? identityAxioms(p.logic, all) : std::vector<int>{};
    std::vector<Strategy> strategies{{Strategy::Models}, {Strategy::Branch}};
    if (p.firstOrder)
        strategies.push_back({Strategy::Line});
    if (!axioms.empty())
        strategies.push_back({Strategy::Identity, 2});
    // Saturation, for first-order logic with identity: resumed turn after turn.
    std::unique_ptr<SaturationProver> saturation;
    std::unique_ptr<GroundProver> ground;
    if (p.firstOrder && !p.modal) {
        // The searches that decide most first-order problems get twice the share.
        strategies.push_back({Strategy::Saturation});
        strategies.push_back({Strategy::Ground});
        strategies[strategies.size() - 2].weight = strategies.back().weight = 2;
    }
    // The explanations, best first: a closed tree (returned at once), a saturation proof, ground
    // instances. Either of the last two decides the problem: a bare verdict goes at once, a shown
    // one lets the tree, and saturation after instances, go on within a time of their own.
    std::optional<ClauseProof> proof;
    std::optional<GroundRefutation> instances;
    std::optional<Budget> explaining;
    auto decided = [&] {
        if (explain == Explain::VerdictOnly)
            return false;
        if (!explaining)
            explaining = budget.until(CpuClock::now() + kTreeAfterProof * kSlowBuild);
        for (Strategy &c : strategies)
            c.done = c.done || c.kind == Strategy::Models || c.kind == Strategy::Ground
                || (proof && c.kind == Strategy::Saturation);
        return true;
    };
    // Propositional modal logic one world at a time, remembering worlds that close.
    // It decides these problems by itself; the labelled tableau and the model search wait, and
    // take over only if it gives up.
    std::unique_ptr<WorldTableau> worlds;
    if (p.modal && !p.firstOrder && WorldTableau::supports(p.system)) {
        for (Strategy &c : strategies)
            c.done = true;
        strategies.push_back({Strategy::Worlds});
    }
    auto resumeOthers = [&] {
        for (Strategy &c : strategies)
            c.done = c.kind == Strategy::Worlds;
    };
    std::size_t nextSize = 0;
    int largestTried = 0, deepestLimit = 0;
    bool satisfiable = false, saturatedOpen = false;
    for (;;) {
        const Budget &left = explaining ? *explaining : budget;
        if (left.expired())
            break;
        Strategy *s = nullptr;
        for (Strategy &c : strategies)
            if (!c.done && (!s || c.spent * s->weight < s->spent * c.weight))
                s = &c;
        if (!s)
            break;
        const auto start = CpuClock::now();
        if (s->kind == Strategy::Worlds) {
            if (!worlds)
                worlds = std::make_unique<WorldTableau>(
                    p.logic, p.premises, p.conclusion, p.system, !p.argument);
            WorldTableauResult r = worlds->run(left.until(start + s->slice));
            s->spent += CpuClock::now() - start;
            if (r.kind == WorldTableauResult::Kind::Closed) {
                TableauResult t;
                t.kind = TableauResult::Kind::Closed;
                t.tree = std::move(r.tree);
                return valid(p, p.logic, t);
            }
            if (r.kind == WorldTableauResult::Kind::Open) {
                if (holdsAll(p, refutation, r.model))
                    return invalid(p, refutation, r.model);
                resumeOthers(); // a model that fails its check is never shown
            } else if (worlds->gaveUp()) {
                resumeOthers();
            } else {
                s->slice *= 2;
            }
            continue;
        }
        if (s->kind == Strategy::Saturation || s->kind == Strategy::Ground) {
            // Both start from one clausal form, made at the first turn of either; its size limits
            // bound it, so that a short turn does not refuse a problem for good.
            if (!saturation) {
                saturation = std::make_unique<SaturationProver>(p.logic);
                if (saturation->load(p.premises, p.conclusion, budget) == SaturationStatus::Refused)
                    for (Strategy &c : strategies)
                        c.done = c.done || c.kind == Strategy::Saturation
                            || c.kind == Strategy::Ground;
            }
        }
        if (s->done)
            continue;
        if (s->kind == Strategy::Saturation) {
            const Budget turn = left.until(start + s->slice);
            const SaturationStatus status = saturation->run(turn);
            s->spent += CpuClock::now() - start;
            if (status == SaturationStatus::Proved) {
                proof = saturation->proof(!p.argument);
                if (!decided())
                    break;
            } else if (status == SaturationStatus::Saturated && saturation->complete()) {
                // Not valid: nothing can close now; the model search gets a moment of its own to
                // show a finite countermodel instead.
                saturatedOpen = true;
                for (Strategy &c : strategies)
                    c.done = c.done || c.kind != Strategy::Models;
                if (!explaining)
                    explaining = budget.until(CpuClock::now() + kTreeAfterProof * kSlowBuild);
            } else if (status != SaturationStatus::Unknown) {
                s->done = true;
            }
            continue;
        }
        if (s->kind == Strategy::Ground) {
            const Budget turn = left.until(start + s->slice);
            if (!ground)
                ground = std::make_unique<GroundProver>(*saturation);
            const SaturationStatus status = ground->run(turn);
            s->spent += CpuClock::now() - start;
            if (status == SaturationStatus::Proved) {
                instances = ground->refutation(!p.argument);
                if (!decided())
                    break;
            } else if (status != SaturationStatus::Unknown) {
                s->done = true;
            }
            continue;
        }
        if (s->kind == Strategy::Models) {
            if (nextSize >= sizes.size()) {
                s->done = true;
                continue;
            }
            // A size gets a slice like the others, and more next time, so that a size too big to
            // search soon does not take the turns of the proof searches.
            const auto [d, w] = sizes[nextSize];
            const ModelSearch m
                = findModel(p.logic, refutation, p.system, d, w, left.until(start + s->slice));
            if (m.status == ModelStatus::Found)
                return invalid(p, refutation, m.model);
            s->spent += CpuClock::now() - start;
            if (m.status == ModelStatus::None) {
                largestTried = std::max(largestTried, p.modal && !p.firstOrder ? w : d);
                ++nextSize;
            } else {
                s->slice *= 2;
            }
            continue;
        }
        TableauOptions options;
        options.system = p.system;
        options.gammaLimit = s->limit;
        options.perLine = s->kind == Strategy::Line;
        options.conclusionIsFormula = !p.argument;
        if (s->kind == Strategy::Identity)
            options.axioms = axioms;
        if (p.firstOrder && p.modal)
            options.worldLimit = 3 + 2 * s->limit;
        // A round fills a copy of the problem's store with its instances, and frees them within
        // its own time, stopping early enough for that: what piled up over the rounds would be
        // freed only past the limit.
        TableauResult t;
        std::optional<Judgement> answer;
        {
            Logic round = p.logic;
            t = runTableau(round, p.premises, p.conclusion, options,
                left.until(start + s->slice).leaving(round, kStoreEntryFreeing));
            if (t.kind == TableauResult::Kind::Closed)
                answer = valid(p, round, std::move(t));
            else if (t.kind == TableauResult::Kind::Open && p.modal && !p.firstOrder)
                if (const auto model = branchModel(p, round, t.open))
                    answer = invalid(p, refutation, *model);
        }
        s->spent += CpuClock::now() - start;
        if (answer)
            return std::move(*answer);
        if (t.kind == TableauResult::Kind::Open) {
            // No rule is left on an open branch: not valid. A countermodel of the model search's,
            // smaller than the branch's.
            satisfiable = true;
            for (Strategy &c : strategies)
                c.done = c.done || c.kind != Strategy::Models;
            continue;
        }
        if (t.stopped) {
            s->slice *= 2; // this depth needs more time, not more depth
        } else {
            deepestLimit = std::max(deepestLimit, s->limit);
            ++s->limit;
        }
    }
    if (proof)
        return proved(p, *proof);
    if (instances) {
        Judgement j;
        j.decision = Decision::Valid;
        j.explanation = groundText(p.logic, *instances);
        j.reason = "refutación por "
            + plural(static_cast<int>(instances->instances), "ejemplar", "ejemplares");
        return j;
    }
    if (saturatedOpen) {
        Judgement j;
        j.decision = Decision::Invalid;
        j.explanation = "El conjunto de cláusulas se satura sin contradicción";
        if (largestTried > 0)
            j.explanation += "; no tiene modelos finitos de hasta "
                + plural(largestTried, "elemento", "elementos");
        j.explanation += ".\n";
        j.reason = "saturación sin contradicción";
        return j;
    }
    Judgement j;
    j.explanation = "No determinado: ";
    if (worlds && deepestLimit == 0 && !satisfiable)
        j.explanation += "la búsqueda mundo a mundo no terminó tras examinar "
            + plural(static_cast<int>(worlds->worldsExamined()), "mundo", "mundos");
    else if (satisfiable)
        j.explanation
            += "el árbol tiene una rama abierta, pero no se halló un contramodelo que lo confirme";
    else
        j.explanation += "el árbol no se cerró con hasta "
            + plural(deepestLimit, "ejemplar", "ejemplares") + " de ∀ por rama"
            + (saturation ? ", la saturación no llegó a ⊥" : "");
    if (!worlds || largestTried > 0)
        j.explanation += ", y no hay contramodelo de hasta "
            + plural(largestTried, p.modal && !p.firstOrder ? "mundo" : "elemento",
                p.modal && !p.firstOrder ? "mundos" : "elementos");
    // What stopped it: the clock, the user, or the sizes the search allows itself.
    j.stop = budget.stop() != Stop::None ? budget.stop() : Stop::Size;
    if (j.stop == Stop::Time)
        j.explanation += " en el límite de " + std::to_string(kProblemSeconds.count())
            + " s de tiempo de procesador";
    else if (j.stop == Stop::Cancelled)
        j.explanation += " cuando se canceló la comprobación";
    else
        j.explanation
            += " (los límites de la búsqueda: " + plural(kMaxModelDomain, "elemento", "elementos")
            + ", " + plural(kMaxModelWorlds, "mundo", "mundos") + ")";
    j.explanation += ".\n";
    j.reason = stopWords(j.stop);
    return j;
}

// A letter must keep its number of terms across the lines of an argument.
std::string arityConflict(const Logic &logic, const std::vector<int> &formulas)
{
    std::map<std::string, int> predicates, functions;
    std::string conflict;
    auto note = [&](std::map<std::string, int> &seen, const Symbol &s, const char *what) {
        const auto [it, fresh] = seen.emplace(s.name, s.arity);
        if (!fresh && it->second != s.arity && conflict.empty())
            conflict = std::string(what) + " " + s.name + " aparece con "
                + plural(it->second, "término", "términos") + " y con "
                + plural(s.arity, "término", "términos") + ".";
    };
    walkSymbols(
        logic, formulas,
        [&](int atom) {
            note(predicates, logic.predicateSymbol(logic.node(atom).a), "El predicado");
        },
        [] {},
        [&](int t) { note(functions, logic.functionSymbol(logic.term(t).sym), "El nombre"); });
    return conflict;
}

} // namespace

namespace {

// What judge and judgeUnsatisfiable share once their problem is in its own store.
Judgement decide(Problem &p, const Budget &budget, Explain explain)
{
    std::vector<int> all = p.premises;
    all.push_back(p.conclusion);
    if (const std::string conflict = arityConflict(p.logic, all); !conflict.empty()) {
        Judgement j;
        j.explanation = "No determinado: " + conflict + "\n";
        j.reason = conflict;
        return j;
    }
    for (int f : all) {
        p.modal = p.modal || p.logic.hasModal(f);
        p.firstOrder = p.firstOrder || p.logic.isFirstOrder(f);
    }
    p.propositional = !p.modal && !p.firstOrder;
    if (!p.modal)
        p.system = ModalSystem::K; // frames play no part
    if (p.propositional)
        return propositional(p, budget, explain);
    return search(p, budget, explain);
}

} // namespace

Judgement judge(const Logic &logic, const std::vector<int> &premises, int conclusion, bool argument,
    ModalSystem system, const Budget &budget, Explain explain)
{
    Problem p;
    for (int f : premises)
        p.premises.push_back(p.logic.import(logic, f));
    p.conclusion = p.logic.import(logic, conclusion);
    p.argument = argument;
    p.system = system;
    return decide(p, budget, explain);
}

Judgement judgeUnsatisfiable(
    const Logic &logic, int formula, ModalSystem system, const Budget &budget, Explain explain)
{
    // "formula ⊨ ⊥": valid exactly when no model makes the formula true.
    Problem p;
    p.premises.push_back(p.logic.import(logic, formula));
    p.conclusion = p.logic.bottom();
    p.argument = true;
    p.satisfiability = true;
    p.system = system;
    return decide(p, budget, explain);
}

} // namespace logic

namespace logic {

std::string reportProblem(const Logic &logic, const std::vector<int> &premises, int conclusion,
    bool argument, ModalSystem system)
{
    const Budget budget = Budget::forTime(kProblemSeconds);
    const Judgement j = judge(logic, premises, conclusion, argument, system, budget);
    std::string out;
    bool modal = logic.hasModal(conclusion);
    for (int f : premises)
        modal = modal || logic.hasModal(f);
    if (modal)
        out += std::string("Sistema modal: ") + systemName(system) + "\n";
    const char *what = argument ? "Argumento" : "Fórmula";
    if (j.decision == Decision::Valid)
        out += std::string(what) + " válid" + (argument ? "o" : "a") + "\n";
    else if (j.decision == Decision::Invalid)
        out += std::string(what) + " no válid" + (argument ? "o" : "a") + "\n";
    return out + j.explanation;
}

} // namespace logic
