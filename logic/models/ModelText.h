#pragma once

#include "Models.h"
#include "ShownAnswer.h"

#include <string>
#include <vector>

namespace logic {

/// The model in Spanish, Unicode: domain, constants, functions, predicates, worlds.
std::string describeModel(const Logic &logic, const std::vector<int> &formulas,
    const Structure &model, bool firstOrder, bool modal);

/// The same model as data, its symbols by name.
ShownModel showModel(const Logic &logic, const std::vector<int> &formulas, const Structure &model,
    bool firstOrder, bool modal);

} // namespace logic
