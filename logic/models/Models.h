#pragma once
// Countermodels: finite structures (a domain, and for modal problems worlds with an accessibility
// relation) found by encoding "these formulas are true" for a given size into the CDCL solver,
// and a plain evaluator, independent of that encoding, that every model must pass before it is
// reported.

#include "Budget.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace logic {

struct Structure
{
    int domain = 1;
    int worlds = 1;
    std::vector<std::vector<char>> access; // [u][v]: u sees v
    // Per predicate: its truth value at world w for the tuple with index i (base-domain digits,
    // first term most significant) at [w * domain^arity + i].
    std::unordered_map<int, std::vector<char>> predicates;
    // Per function: its value for the argument tuple with index i; constants have one entry.
    std::unordered_map<int, std::vector<int>> functions;
};

/// How many tuples of @p arity elements a domain of @p domain elements has.
inline std::size_t tupleCount(int domain, int arity)
{
    std::size_t r = 1;
    for (int i = 0; i < arity; ++i)
        r *= static_cast<std::size_t>(domain);
    return r;
}

/// Whether @p formula is true at world 0 of @p model. Plain recursion over the formula, with no
/// knowledge of how the model was found; symbols missing from the model make it false.
bool holdsIn(const Logic &logic, const Structure &model, int formula);
/// Whether the accessibility relation has the properties @p system asks of a frame.
bool frameFits(const Structure &model, ModalSystem system);

enum class ModelStatus { Found, None, Unknown };

struct ModelSearch
{
    ModelStatus status = ModelStatus::Unknown;
    Structure model;
};

/// Looks for a model of exactly @p domain elements and @p worlds worlds in which every formula of
/// @p formulas is true at world 0, for the frames of @p system.
ModelSearch findModel(const Logic &logic, const std::vector<int> &formulas, ModalSystem system,
    int domain, int worlds, const Budget &budget);

/// The predicate and function symbols of @p formulas, in order of their numbers.
struct Signature
{
    std::set<int> predicates, functions;
};
Signature signatureOf(const Logic &logic, const std::vector<int> &formulas);

} // namespace logic
