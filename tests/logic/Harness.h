#pragma once
// A tiny test harness: the engine links nothing but the standard library, and so do its tests.
// Cases run on the engine's own large stack, as the engine runs wherever it is used.

#include "LargeStack.h"

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace harness {

// Unoptimised and sanitised builds search a tenth as far in the same processor time: what an
// optimised build must decide within a limit may stay undecided there, never wrongly decided.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSlowBuild = false;
#else
inline constexpr bool kSlowBuild = true;
#endif

struct Case
{
    const char *name;
    std::function<void()> body;
};

inline std::vector<Case> &cases()
{
    static std::vector<Case> all;
    return all;
}

inline int &failures()
{
    static int count = 0;
    return count;
}

struct Register
{
    Register(const char *name, std::function<void()> body)
    {
        cases().push_back({name, std::move(body)});
    }
};

inline void fail(const char *file, int line, const std::string &what)
{
    ++failures();
    std::printf("  FAIL %s:%d: %s\n", file, line, what.c_str());
}

template <typename A, typename B>
void checkEqual(const A &a, const B &b, const char *as, const char *bs, const char *file, int line)
{
    if (a == b)
        return;
    std::ostringstream s;
    s << as << " == " << bs << "\n    got:      " << a << "\n    expected: " << b;
    fail(file, line, s.str());
}

inline int run()
{
    int failed = 0;
    for (const Case &c : cases()) {
        const int before = failures();
        logic::runOnLargeStack(c.body);
        const bool ok = failures() == before;
        failed += ok ? 0 : 1;
        std::printf("%s %s\n", ok ? "PASS" : "FAIL", c.name);
    }
    std::printf("%d passed, %d failed\n", static_cast<int>(cases().size()) - failed, failed);
    return failed ? 1 : 0;
}

} // namespace harness

#define HARNESS_CAT2(a, b) a##b
#define HARNESS_CAT(a, b) HARNESS_CAT2(a, b)
#define TEST(name)                                                                                 \
    static void name();                                                                            \
    static harness::Register HARNESS_CAT(reg_, name)(#name, name);                                 \
    static void name()
#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond))                                                                               \
            harness::fail(__FILE__, __LINE__, #cond);                                              \
    } while (0)
#define CHECK_EQ(a, b) harness::checkEqual((a), (b), #a, #b, __FILE__, __LINE__)
#define TEST_MAIN()                                                                                \
    int main()                                                                                     \
    {                                                                                              \
        return harness::run();                                                                     \
    }
