// What a wrong step's model costs: a sheet of 200 derivations, each with one faulty line, checked
// whole, where no rule gives that line (a model is sought and shown) and where another rule does
// (none is sought). The third kind's line follows from what is in force, so no model exists for
// it. Wall time of the check (it runs on a thread of its own), best of five.
// Usage: bench_wrongsteps

#include "worksheet/Api.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace logic;

namespace {

std::string sheet(bool refutable)
{
    std::string s;
    for (int i = 0; i < 50; ++i) {
        s += "p → q, q ⊢ p\n1. p → q :PR\n2. q :PR\n3. ";
        s += refutable ? "p :→E 1, 2\n\n" : "q :∧E 2\n\n";
        s += "∃x Fx, ∀x(Fx → Gx) ⊢ ∀x Gx\n1. ∃x Fx :PR\n2. ∀x(Fx → Gx) :PR\n3. ";
        s += refutable ? "∀x Gx :∀I 1\n\n" : "∃x Fx :∧E 1\n\n";
        s += "p → r, q → r ⊢ (p ∨ q) → r\n1. p → r :PR\n2. q → r :PR\n    3. p ∨ q :AS\n    4. ";
        s += refutable ? "r :→E 1, 3\n" : "r :∨E 3, 1\n";
        s += "5. (p ∨ q) → r :→I 3-4\n\n";
        s += "□p ⊢ ◇p\n1. □p :PR\n2. ";
        s += refutable ? "◇p :R 1\n\n" : "□p :R 1\n\n";
    }
    return s;
}

} // namespace

int main()
{
    for (bool refutable : {true, false}) {
        const std::string text = sheet(refutable);
        double best = 1e18;
        int derivations = 0, models = 0;
        for (int round = 0; round < 5; ++round) {
            derivations = models = 0;
            const auto start = std::chrono::steady_clock::now();
            for (const ProblemResult &r : checkText(text, ModalSystem::K, std::atomic<bool>{false}))
                if (r.derivation) {
                    ++derivations;
                    models += r.model.has_value();
                }
            best = std::min(best,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::printf("%s: %d derivations, %d with a model, %.1f ms\n",
            refutable ? "no rule gives the faulty line" : "another rule gives it  ", derivations,
            models, best);
    }
}
