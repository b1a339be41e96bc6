#pragma once
// One line read into a store of its own, as the engine's tests start from it.

#include "syntax/Logic.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <cstdio>
#include <string>

struct Parsed
{
    logic::Logic logic;
    logic::LineParse line;
};

inline Parsed parse(const std::string &utf8)
{
    Parsed p;
    p.line = logic::parseLine(
        p.logic, logic::decode(utf8, logic::Encoding::Utf8), logic::Encoding::Utf8);
    if (!p.line.ok())
        std::printf("  cannot parse %s: %s\n", utf8.c_str(), p.line.error.c_str());
    return p;
}
