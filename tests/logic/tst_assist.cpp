// "Demostrar" and "Siguiente paso" as the worker answers them: every derivation given, inserted
// where the editor inserts it, is re-checked by the check of the whole text, which reads it
// afresh and shares nothing with the search; and the worker's requests and answers.

#include "Harness.h"
#include "Protocol.h"
#include "RandomArguments.h"
#include "deduction/Checker.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"
#include "worksheet/Assist.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace logic;

namespace {

const std::atomic<bool> kGoOn{false};

std::vector<std::string> split(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

std::string join(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines)
        out += l + "\n";
    return out;
}

// @p lines put after line @p after (1-based) of @p text, as the editor inserts them.
std::string inserted(const std::string &text, int after, const std::vector<std::string> &lines)
{
    std::vector<std::string> all = split(text);
    all.insert(all.begin() + after, lines.begin(), lines.end());
    return join(all);
}

// The derivations of @p text as "Comprobar" answers them.
std::vector<ProblemResult> derivations(const std::string &text, ModalSystem system)
{
    std::vector<ProblemResult> out;
    for (ProblemResult &r : checkText(text, system, kGoOn))
        if (r.derivation)
            out.push_back(std::move(r));
    return out;
}

bool provesArgument(const std::string &text, ModalSystem system = ModalSystem::K)
{
    const std::vector<ProblemResult> d = derivations(text, system);
    if (d.size() != 1 || !d[0].provesArgument || d[0].decision != Decision::Valid) {
        std::printf("  not accepted:\n%s", text.c_str());
        for (const ProblemResult &r : d)
            std::printf("  %s\n", r.explanation.c_str());
        return false;
    }
    return true;
}

// Faults the checker finds in the derivation below the argument on @p text's first line, on
// lines numbered above @p from, but that it is not finished.
int faultsAfter(const std::string &text, int from, ModalSystem system = ModalSystem::K)
{
    std::vector<std::u32string> lines;
    for (const std::string &l : split(text))
        lines.push_back(decode(l, Encoding::Utf8));
    Logic logic;
    const Derivation d = readDerivation(logic, lines, 1);
    const std::optional<ArgumentGoal> goal = argumentAbove(logic, lines, d);
    if (!goal || d.endLine != static_cast<int>(lines.size()))
        return 1000;
    int out = 0;
    for (const DerivationFault &f : checkDerivation(logic, d, &*goal, system).faults)
        out += f.line > from && !f.unfinished ? 1 : 0;
    return out;
}

int formulaLines(const std::string &text)
{
    int out = 0;
    for (const std::string &l : split(text))
        out += l.find(" :") != std::string::npos ? 1 : 0;
    return out;
}

struct Stepped
{
    std::string text;
    int steps = 0;
    bool ended = false; // nothing more was proposed
    std::string reason;
    int newFaults = 0; // in the lines proposed
};

// "Siguiente paso" asked again and again on the last line of @p text, each line proposed inserted
// where the editor puts it, at most @p most times.
Stepped stepped(std::string text, int most, ModalSystem system = ModalSystem::K)
{
    Stepped out;
    const int written = formulaLines(text);
    for (;;) {
        const int last = static_cast<int>(split(text).size());
        const NextAnswer next = nextStepAt(text, last, system, kGoOn);
        if (!next.found) {
            out.ended = true;
            out.reason = next.reason;
            break;
        }
        if (out.steps == most || next.line != last)
            break;
        text = inserted(text, next.line, next.lines);
        ++out.steps;
    }
    out.newFaults = faultsAfter(text, written, system);
    out.text = std::move(text);
    return out;
}

// @p argument, its premises written as "Demostrar" writes them, and how many lines "Demostrar"
// writes after them; -1 when it finds no derivation.
int premisesOf(const std::string &argument, std::string &text)
{
    const ProofAnswer proof = proveAt(argument + "\n", 1, ModalSystem::K, kGoOn);
    if (!proof.found)
        return -1;
    std::vector<std::string> lines = {argument};
    for (const std::string &l : proof.lines)
        if (l.find(":PR") != std::string::npos)
            lines.push_back(l);
    text = join(lines);
    return formulaLines(join(proof.lines)) - static_cast<int>(lines.size() - 1);
}

} // namespace

TEST(demostrarWritesDerivationsThatTheCheckAccepts)
{
    const std::pair<std::string, int> texts[] = {
        {"p → q, q → r ⊢ p → r\n", 1},
        {"Ejercicio 2: texto antes\n\n3) ¬(p ∧ q) ⊢ ¬p ∨ ¬q\n\nY después.\n", 3},
        {"p ∧ q\nHola.\n¬(p ∨ q) ⊢ ¬p ∧ ¬q\n", 3},
        {"p ∨ q, ¬p ⊢ q\n", 1},
        {"∀x(Fx → Gx), Fa ⊢ Ga\n", 1},
        {"⊢ p ∨ ¬p\n", 1},
        {"sistema: T\n□p ⊢ p\n", 2},
        {"p ⊢ q → p\r\n", 1},
    };
    for (const auto &[text, line] : texts) {
        // From the first line of a selection: the first argument there.
        const ProofAnswer proof = proveAt(text, 1, ModalSystem::K, kGoOn);
        CHECK(proof.found);
        CHECK_EQ(proof.line, line);
        CHECK(!proof.decided);
        if (proof.found)
            CHECK(provesArgument(inserted(text, line, proof.lines), ModalSystem::K));
    }
}

TEST(demostrarOnWhatHasNoDerivationSaysWhy)
{
    // An invalid argument: its countermodel, as "Comprobar" gives it, and no lines.
    const ProofAnswer invalid = proveAt("p → q, q ⊢ p\n", 1, ModalSystem::K, kGoOn);
    CHECK(!invalid.found);
    CHECK(invalid.lines.empty());
    CHECK(invalid.decided && invalid.decided->decision == Decision::Invalid);
    CHECK(invalid.decided && invalid.decided->model);
    CHECK_EQ(invalid.reason, std::string("el argumento no es válido: no tiene derivación"));

    // Valid in T, not in K: the system of the text's "sistema:" line decides.
    CHECK(!proveAt("□p ⊢ p\n", 1, ModalSystem::K, kGoOn).found);
    CHECK(proveAt("□p ⊢ p\n", 1, ModalSystem::T, kGoOn).found);

    for (const auto &[text, line] : {std::pair<std::string, int>{"p ∧ q\n", 1}, {"p ∧ ⊢ q\n", 1},
             {"p ⊢ p\n", 0}, {"p ⊢ p\n", 2}, {"Hola, mundo.\n", 1}}) {
        const ProofAnswer none = proveAt(text, line, ModalSystem::K, kGoOn);
        CHECK(!none.found && !none.decided && !none.reason.empty());
    }

    // The caret on the empty line after the text's last line break: that line has no argument,
    // whatever comes above it.
    const ProofAnswer empty = proveAt("p ⊢ p\np ∧ q ⊢ q\n", 3, ModalSystem::K, kGoOn);
    CHECK(!empty.found && !empty.decided);
    CHECK_EQ(
        empty.reason, std::string("no hay ningún argumento «premisas ⊢ conclusión» en la línea 3"));

    // Cancelled before it starts: nothing, promptly, and no verdict.
    const std::atomic<bool> cancelled{true};
    const ProofAnswer stopped
        = proveAt("p → q, q → r, r → s, s → t ⊢ p → t\n", 1, ModalSystem::K, cancelled);
    CHECK(!stopped.found && !stopped.decided);
    CHECK_EQ(stopped.reason, std::string("cancelado"));
}

TEST(siguientePasoStepByStepEndsInADerivationTheCheckAccepts)
{
    const std::string arguments[] = {"p → q, q → r ⊢ p → r", "p ∧ q ⊢ q ∧ p", "¬(p ∨ q) ⊢ ¬p ∧ ¬q",
        "∀x(Fx → Gx), Fa ⊢ Ga", "p → (q → r) ⊢ (p ∧ q) → r", "∀x(Fx → Gx), ∀x Fx ⊢ ∀x Gx"};
    for (const std::string &argument : arguments) {
        const ProofAnswer proof = proveAt(argument + "\n", 1, ModalSystem::K, kGoOn);
        CHECK(proof.found);
        if (!proof.found)
            continue;
        // The premises alone, then one step at a time, the caret on the last line.
        std::vector<std::string> lines = {argument};
        for (const std::string &l : proof.lines)
            if (l.find(":PR") != std::string::npos)
                lines.push_back(l);
        std::string text = join(lines);
        bool finished = false;
        for (int step = 0; step < 40 && !finished; ++step) {
            const int last = static_cast<int>(split(text).size());
            const NextAnswer next = nextStepAt(text, last, ModalSystem::K, kGoOn);
            if (!next.found) {
                CHECK_EQ(next.reason, std::string("la derivación ya está terminada"));
                finished = true;
                break;
            }
            CHECK_EQ(next.line, last);
            CHECK(!next.lines.empty() && !next.justification.empty());
            text = inserted(text, next.line, next.lines);
        }
        CHECK(finished);
        CHECK(provesArgument(text));
    }
}

TEST(siguientePasoFinishesValidArgumentsAsShortlyAsDemostrar)
{
    // From the premises, every step proposed taken: it ends, in no more lines than "Demostrar"
    // writes (and two to spare), with a derivation the checker accepts.
    std::vector<std::string> arguments;
    {
        Logic logic;
        for (const testing::RandomArgument &a : testing::validArguments(logic, 2024, 100)) {
            std::string text;
            for (int p : a.premises)
                text += (text.empty() ? "" : ", ") + logic.text(p);
            arguments.push_back(text + " ⊢ " + logic.text(a.conclusion));
        }
    }
    // The first-order problems of the benchmark, those "Demostrar" proves.
    const char *dir = std::getenv("ZV_PROBLEM_SETS");
    std::ifstream in(std::string(dir ? dir : "bench/logic") + "/pelletier.txt");
    int firstOrder = 0;
    for (std::string line; std::getline(in, line);) {
        // Arguments with premises: below a theorem alone there is no derivation to go on with,
        // and its first assumption alone reads as a line of the outermost level.
        if (line.find('x') != std::string::npos && line.find("⊨") != std::string::npos) {
            ++firstOrder;
            arguments.push_back(line);
        }
    }
    CHECK_EQ(firstOrder, 17);
    int tried = 0, finished = 0, extra = 0;
    for (const std::string &argument : arguments) {
        std::string text;
        const int lines = premisesOf(argument, text);
        if (lines < 0 || lines > 60) // the longest take a minute of steps
            continue;
        ++tried;
        const Stepped s = stepped(text, lines + 2);
        CHECK_EQ(s.newFaults, 0);
        if (!s.ended || s.reason != "la derivación ya está terminada" || !provesArgument(s.text)) {
            CHECK_EQ(argument + ": " + s.reason, std::string("finished"));
            continue;
        }
        ++finished;
        extra += s.steps - lines;
    }
    std::printf("  %d of %d finished by repeated steps, %d lines beyond Demostrar's\n", finished,
        tried, extra);
    CHECK(tried >= 100 + 8);
}

TEST(siguientePasoFinishesAfterLinesOfTheStudentsOwn)
{
    const char *texts[] = {
        // A constant of the student's choosing, then a detour through another one.
        "∀x(Fx → Gx), ∀x Fx ⊢ ∀x Gx\n1. ∀x(Fx → Gx) :PR\n2. ∀x Fx :PR\n3. Fb :∀E 2\n",
        "∀x(Fx → Gx), ∀x Fx ⊢ ∀x Gx\n1. ∀x(Fx → Gx) :PR\n2. ∀x Fx :PR\n3. Fc → Gc :∀E 1\n4. "
        "Fd :∀E 2\n",
        // A subderivation opened by the student, in their own indentation, numbers left out.
        "p → q, q → r ⊢ p → r\np → q :PR\nq → r :PR\n  p :AS\n",
        "p ∨ q ⊢ q ∨ p\n1. p ∨ q :PR\n    2. q :AS\n",
        "∃x Fx, ∀x(Fx → Gx) ⊢ ∃x Gx\n1. ∃x Fx :PR\n2. ∀x(Fx → Gx) :PR\n    3. Fa :AS\n",
        // Only one premise written of two.
        "p → q, p ⊢ q\n1. p :PR\n",
    };
    for (const char *text : texts) {
        const Stepped s = stepped(text, 12);
        CHECK_EQ(s.newFaults, 0);
        CHECK(s.ended);
        CHECK_EQ(s.reason, std::string("la derivación ya está terminada"));
        CHECK(provesArgument(s.text));
    }

    // A faulty line is passed over and not cited; at the conclusion the steps stop, and say why.
    const Stepped faulty = stepped("p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. p ∧ q :∧I 1, 2\n", 12);
    CHECK_EQ(faulty.newFaults, 0);
    CHECK(faulty.ended && faulty.steps == 1);
    CHECK_EQ(faulty.reason,
        std::string("la derivación ya llega a la conclusión, pero la línea 3 tiene un fallo"));
    // A conclusion line that is itself faulty is no end: it is derived again.
    const Stepped wrongEnd = stepped("p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :∧E 1\n", 12);
    CHECK_EQ(wrongEnd.newFaults, 0);
    CHECK(wrongEnd.ended && wrongEnd.steps >= 1);
    CHECK(wrongEnd.reason.find("la línea 3 tiene un fallo") != std::string::npos);

    // An invalid argument: nothing proposed, in time, and nothing faulty either.
    const Stepped invalid = stepped("p → q, q ⊢ p\n1. p → q :PR\n2. q :PR\n", 5);
    CHECK(invalid.ended && invalid.steps == 0 && !invalid.reason.empty());
}

TEST(siguientePasoFindsTheDerivationAroundTheCaret)
{
    // Two derivations, the caret in the first, or on a blank line below it: the line goes after
    // the first one's last line.
    const std::string text = "p ∧ q ⊢ q\n"
                             "1. p ∧ q :PR\n"
                             "\n"
                             "p, q ⊢ p ∧ q\n"
                             "1. p :PR\n"
                             "2. q :PR\n"
                             "3. p ∧ q :∧I 1, 2\n";
    for (int caret : {1, 2, 3}) {
        const NextAnswer a = nextStepAt(text, caret, ModalSystem::K, kGoOn);
        CHECK(a.found);
        CHECK_EQ(a.line, 2);
        CHECK(provesArgument(inserted("p ∧ q ⊢ q\n1. p ∧ q :PR\n", 2, a.lines)));
    }
    // The second is finished; a derivation with no argument above, and no derivation at all.
    const NextAnswer done = nextStepAt(text, 7, ModalSystem::K, kGoOn);
    CHECK(!done.found);
    CHECK_EQ(done.line, 7);
    CHECK_EQ(done.reason, std::string("la derivación ya está terminada"));
    const NextAnswer orphan = nextStepAt("1. p ∧ q :PR\n", 1, ModalSystem::K, kGoOn);
    CHECK(!orphan.found && !orphan.reason.empty());
    const NextAnswer nothing = nextStepAt("p ∧ q\nHola.\n", 2, ModalSystem::K, kGoOn);
    CHECK(!nothing.found);
    CHECK_EQ(nothing.reason, std::string("no hay ninguna derivación en la línea 2"));
}

TEST(aSheetThatSwitchesTheHelpOffIsRefusedItButStillChecked)
{
    const std::string sheet = "p ⊢ p ∨ q\n"
                              "ayuda: no\n"
                              "p → q, p ⊢ q\n"
                              "1. p → q :PR\n"
                              "2. p :PR\n"
                              "\n"
                              "ayuda: sí\n"
                              "p ∧ q ⊢ q\n";
    const std::string refused = kHelpRefused;
    CHECK_EQ(refused, std::string("La hoja no permite esta ayuda."));
    // Above the line the help is there; below it neither Demostrar nor Siguiente paso is.
    CHECK(proveAt(sheet, 1, ModalSystem::K, kGoOn).found);
    const ProofAnswer proof = proveAt(sheet, 3, ModalSystem::K, kGoOn);
    CHECK(!proof.found && proof.lines.empty() && !proof.decided);
    CHECK_EQ(proof.reason, refused);
    CHECK_EQ(proof.line, 3);
    for (int caret : {3, 4, 5, 6}) {
        const NextAnswer next = nextStepAt(sheet, caret, ModalSystem::K, kGoOn);
        CHECK(!next.found && next.lines.empty());
        CHECK_EQ(next.reason, refused);
    }
    // "ayuda: sí" gives it back.
    CHECK(proveAt(sheet, 8, ModalSystem::K, kGoOn).found);
    CHECK(nextStepAt(sheet, 8, ModalSystem::K, kGoOn).found);
    // "Comprobar" still checks the student's own lines.
    const std::string finished = inserted(sheet, 5, {"3. q :→E 1, 2"});
    const std::vector<ProblemResult> checked = derivations(finished, ModalSystem::K);
    CHECK(checked.size() == 1 && checked[0].provesArgument);
}

TEST(aTheoremIsBegunFromItsArgumentAndFinishedStepByStep)
{
    // From the argument alone, and after any correct prefix of Demostrar's derivation.
    for (const std::string argument :
        {"⊢ p → p", "⊢ p → (q → p)", "⊢ (p → q) → (¬q → ¬p)", "⊢ ∀x(Fx → Fx)", "p ⊢ q → p"}) {
        const NextAnswer first = nextStepAt(argument + "\n", 1, ModalSystem::K, kGoOn);
        CHECK(first.found);
        CHECK_EQ(first.line, 1);
        const ProofAnswer proof = proveAt(argument + "\n", 1, ModalSystem::K, kGoOn);
        CHECK(proof.found);
        if (!first.found || !proof.found)
            continue;
        // The caret on a blank line below the argument asks the same.
        const NextAnswer below = nextStepAt(argument + "\n\n", 2, ModalSystem::K, kGoOn);
        CHECK(below.found && below.line == 1 && below.lines == first.lines);
        const std::size_t total = proof.lines.size();
        for (std::size_t keep = 0; keep < total; ++keep) {
            std::vector<std::string> prefix(proof.lines.begin(), proof.lines.begin() + keep);
            if (!prefix.empty() && prefix.back().find("--") != std::string::npos)
                continue;
            const std::string text = inserted(argument + "\n", 1, prefix);
            const Stepped s = stepped(text, static_cast<int>(total) + 4);
            CHECK_EQ(s.newFaults, 0);
            CHECK_EQ(s.reason, std::string("la derivación ya está terminada"));
            if (!provesArgument(s.text))
                CHECK_EQ(argument + " after " + std::to_string(keep) + " lines", std::string());
        }
    }
}

TEST(requestsOfTheProtocolAreReadStrictly)
{
    const std::optional<Request> prove = parseRequest("prove 7 S4 12 30");
    CHECK(prove && prove->kind == Request::Kind::Prove && prove->id == 7 && prove->line == 12
        && prove->length == 30 && prove->options.system == ModalSystem::S4);
    const std::optional<Request> next = parseRequest("next 2 K 1 0");
    CHECK(next && next->kind == Request::Kind::Next && next->line == 1);
    CHECK(!prove->options.basicRules);
    // The course's rules after the length: an editor that leaves them out asks for all.
    const std::optional<Request> basic = parseRequest("check 3 K 0 1 12 basicas");
    CHECK(basic && basic->kind == Request::Kind::Check && basic->options.basicRules
        && basic->length == 12);
    const std::optional<Request> all = parseRequest("next 3 K 2 12 todas");
    CHECK(all && all->kind == Request::Kind::Next && !all->options.basicRules);
    CHECK(parseRequest("prove 3 K 2 12 basicas")
        && parseRequest("prove 3 K 2 12 basicas")->options.basicRules);
    for (const char *bad : {"prove 1 K 0 3", "prove 1 K -2 3", "prove 1 X 2 3", "prove 1 K 2",
             "next 1 K 2 3 4", "next a K 2 3", "prove 1 K 2 3x", "check 1 K 0 1 3 básicas",
             "check 1 K 0 1 3 basicas todas", "prove 1 K 2 3 BASICAS"})
        CHECK(!parseRequest(bad));

    ProofAnswer proof;
    proof.line = 3;
    proof.found = true;
    proof.lines = {"1. p → \"q\" :PR", "2. \\ :R 1"};
    const std::string message = proofMessage(4, proof);
    CHECK_EQ(message,
        std::string("{\"event\":\"proof\",\"id\":4,\"line\":3,\"found\":true,\"lines\":[\"1. p → "
                    "\\\"q\\\" :PR\",\"2. \\\\ :R 1\"],\"method\":\"\",\"reason\":\"\"}\n"));
}

TEST(theWorkerAnswersProveAndNextAfterAChecksAnswers)
{
    const char *worker = ZV_LOGIC_WORKER;
    char dir[] = "/tmp/zv-assist-XXXXXX";
    CHECK(mkdtemp(dir) != nullptr);
    const std::string in = std::string(dir) + "/in", out = std::string(dir) + "/out";
    const std::string valid = "p → q, q → r ⊢ p → r\n";
    const std::string invalid = "x\np → q, q ⊢ p\n";
    const std::string unfinished = "p ∧ q ⊢ q\n1. p ∧ q :PR\n";
    {
        std::ofstream f(in, std::ios::binary);
        f << "prove 1 K 1 " << valid.size() << "\n" << valid;
        f << "prove 2 K 2 " << invalid.size() << "\n" << invalid;
        f << "next 3 K 2 " << unfinished.size() << "\n" << unfinished;
        const std::string derivation = "p → q ⊢ p → q\n1. p → q :PR\n    2. p :AS\n    3. q "
                                       ":→E 1, 2\n4. p → q :→I 2-3\n";
        f << "check 4 K 0 1 " << derivation.size() << "\n" << derivation;
        const std::string blocked = "□◇p ∧ p, ∀x Fx ⊨ Fa\n";
        f << "check 5 S4 0 1 " << blocked.size() << "\n" << blocked;
        // The menu's basic rules, and a sheet that switches the help off.
        const std::string deMorgan = "¬(p ∨ q) ⊢ ¬p ∧ ¬q\n1. ¬(p ∨ q) :PR\n2. ¬p ∧ ¬q :DeM 1\n";
        f << "check 6 K 0 1 " << deMorgan.size() << " basicas\n" << deMorgan;
        const std::string noHelp = "ayuda: no\np ⊢ p ∨ q\n";
        f << "prove 7 K 2 " << noHelp.size() << "\n" << noHelp;
        f << "next 8 K 2 " << noHelp.size() << " basicas\n" << noHelp;
    }
    CHECK(std::system(("'" + std::string(worker) + "' <" + in + " >" + out).c_str()) == 0);
    std::ifstream f(out);
    std::vector<std::string> events;
    for (std::string l; std::getline(f, l);)
        events.push_back(l);
    auto has = [&](const std::string &what) {
        for (const std::string &e : events)
            if (e.find(what) != std::string::npos)
                return true;
        return false;
    };
    CHECK(
        has("{\"event\":\"proof\",\"id\":1,\"line\":1,\"found\":true,\"lines\":[\"1. p → q :PR\""));
    CHECK(has("{\"event\":\"answer\",\"id\":2,\"firstLine\":2,\"line\":2,\"argument\":true"));
    CHECK(has("\"decision\":\"invalid\""));
    // A check's derivation carries its lines and LaTeX, to draw it.
    CHECK(has("\"fitch\":[{\"line\":2,\"depth\":0,\"indent\":0,\"assumption\":false,"
              "\"text\":\"1. p → q :PR\"},{\"line\":3,\"depth\":1,\"indent\":4,"
              "\"assumption\":true,\"text\":\"2. p :AS\"}"));
    CHECK(has("\"latex\":\"\\\\fitchprf{"));
    CHECK(has("{\"event\":\"proof\",\"id\":2,\"line\":2,\"found\":false,\"lines\":[]"));
    CHECK(has("{\"event\":\"next\",\"id\":3,\"line\":2,\"found\":true,\"lines\":[\"2. q :∧E"));
    // A blocked world's note: a node of its own, that names the world it repeats.
    CHECK(has("{\"parent\":10,\"text\":\"w1 se bloquea: repite w0 (sus fórmulas están en "
              "w0)\",\"world\":1,\"world2\":-1,\"origin\":\"bloqueo\",\"from\":[-1,-1],"
              "\"closedBy\":[-1,-1],\"repeats\":0}"));
    CHECK(has("{\"event\":\"answer\",\"id\":6,"));
    CHECK(has("\"faults\":[{\"line\":3,\"message\":\"Línea 2: DeM no es una regla básica\"}]"));
    CHECK(has("{\"event\":\"proof\",\"id\":7,\"line\":2,\"found\":false,\"lines\":[],"
              "\"method\":\"\",\"reason\":\"La hoja no permite esta ayuda.\"}"));
    CHECK(has("{\"event\":\"next\",\"id\":8,\"line\":2,\"found\":false,\"lines\":[]"));
    CHECK(has("\"reason\":\"La hoja no permite esta ayuda.\"}"));
    for (int id = 1; id <= 8; ++id)
        CHECK(has("{\"event\":\"done\",\"id\":" + std::to_string(id) + "}"));
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(dir);
}

TEST_MAIN()
