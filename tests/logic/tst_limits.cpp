// Limits kept: searches that cannot decide end within their processor time, freeing what they
// built included; "Demostrar" keeps one limit for its search and its decision; a bare verdict
// does not wait for a tree, and a shown answer still gets one where it comes soon.

#include "Engine.h"
#include "Harness.h"
#include "Parsed.h"
#include "worksheet/Assist.h"

#include <sys/resource.h>

#include <chrono>
#include <string>

using namespace logic;

namespace {

// Only infinite models make the premises true and the conclusion false.
const char *const kSerialOrder = "∀x¬Rxx, ∀x∀y∀z((Rxy ∧ Ryz) → Rxz), ∀x∃y Rxy ⊨ Pa";
const char *const kSurjection = "∀x∃y h(y) = x ⊨ ∀x∀y(h(x) = h(y) → x = y)";

// Processor time of the whole process, every thread: what the worker's kernel limit counts.
double processSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A limit kept within 10 %, with a little for the answer's text and the process's other threads.
bool withinLimit(double seconds, double limit)
{
    // Unoptimised and sanitised builds free more slowly than the engine reckons.
    if (seconds <= 1.1 * limit + (harness::kSlowBuild ? 1.0 : 0.15))
        return true;
    std::printf("  %.3f s for a limit of %.3f s\n", seconds, limit);
    return false;
}

Judgement decide(const char *utf8, int milliseconds, Explain explain = Explain::Full)
{
    Parsed p = parse(utf8);
    return judge(p.logic, p.line.premises, p.line.conclusion, p.line.argument, ModalSystem::K,
        Budget::forTime(std::chrono::milliseconds(milliseconds)), explain);
}

} // namespace

TEST(undecidableArgumentsEndWithinTheirLimitFreeingIncluded)
{
    for (const char *problem : {kSerialOrder, kSurjection})
        for (int ms : {300, 1500}) {
            const double before = processSeconds();
            const Judgement j = decide(problem, ms);
            CHECK(withinLimit(processSeconds() - before, ms / 1000.0));
            CHECK(j.decision != Decision::Valid);
            if (j.decision == Decision::Unknown)
                CHECK(j.stop == Stop::Time && j.explanation.rfind("No determinado", 0) == 0);
        }
}

TEST(aBudgetLeavesTimeToFreeTheStoreItWatches)
{
    Parsed p = parse(kSerialOrder);
    const Budget plain = Budget::forTime(std::chrono::seconds(5));
    CHECK(!plain.expired());
    // A few formulas at a second each to free: the five seconds are already spoken for.
    CHECK(plain.leaving(p.logic, std::chrono::seconds(1)).expired());
    CHECK(plain.leaving(p.logic, std::chrono::seconds(1)).stop() == Stop::Time);
    CHECK(!plain.leaving(p.logic, std::chrono::nanoseconds(1)).expired());
    // until() keeps the store in view.
    CHECK(plain.leaving(p.logic, std::chrono::seconds(1))
              .until(CpuClock::now() + std::chrono::hours(1))
              .expired());
}

TEST(demostrarKeepsOneLimitForItsSearchAndItsDecision)
{
    using std::chrono::milliseconds;
    for (const char *problem : {kSerialOrder, kSurjection}) {
        std::string argument = problem;
        argument.replace(argument.find("⊨"), std::string("⊨").size(), "⊢");
        const double before = processSeconds();
        const ProofAnswer a = proveAt(argument + "\n", 1, ModalSystem::K, std::atomic<bool>{false},
            milliseconds(600), milliseconds(600), milliseconds(1200));
        CHECK(withinLimit(processSeconds() - before, 1.2));
        CHECK(!a.found);
        CHECK(a.decided && a.decided->decision != Decision::Valid);
    }
}

TEST(aVerdictWaitsForNoTreeAndAShownAnswerStillGetsOne)
{
    // Saturation proves it first; the tableau closes it soon after.
    const char *equations = "∀x∀y(f(x) = g(y)) ⊨ ∀x∀y(f(f(x)) = f(g(y)))";
    const Judgement shown = decide(equations, 10'000);
    CHECK(shown.decision == Decision::Valid && shown.tree.has_value());
    const Judgement bare = decide(equations, 10'000, Explain::VerdictOnly);
    CHECK(bare.decision == Decision::Valid);

    // The solver's verdict goes without its tree; a shown one keeps it.
    const Judgement tautology = decide("(p → q) ∨ (q → p)", 10'000, Explain::VerdictOnly);
    CHECK(tautology.decision == Decision::Valid && !tautology.tree);
    CHECK(tautology.reason == "sin valoración que lo refute");
    CHECK(decide("(p → q) ∨ (q → p)", 10'000).tree.has_value());
    // Not valid stays not valid, with its countermodel, either way.
    const Judgement invalid = decide("∃x Fx ⊨ ∀x Fx", 10'000, Explain::VerdictOnly);
    CHECK(invalid.decision == Decision::Invalid && invalid.model.has_value());
}

TEST_MAIN()
