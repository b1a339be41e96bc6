// The parser: precedence, associativity, the ASCII spellings, and every error it can report.

#include "Harness.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <string>

using namespace logic;

namespace {

// The formula as read, in the keyboard's spellings, so that the cases below read as typed.
std::string read(std::string_view line)
{
    Arena arena;
    const ParseResult r = parseFormula(arena, line);
    if (!r.ok())
        return "error at " + std::to_string(r.column) + ": " + r.error;
    std::string text = arena.text(r.root);
    for (const auto &[from, to] : {std::pair<std::string, std::string>{"∧", "&"}, {"∨", "V"},
             {"→", "->"}, {"↔", "<->"}, {"⊤", "T"}, {"⊥", "\\bot"}})
        for (std::size_t at; (at = text.find(from)) != std::string::npos;)
            text.replace(at, from.size(), to);
    return text;
}

// The error's column, and whether its message holds the given text.
struct Failure
{
    int column = 0;
    std::string message;
};

Failure failure(std::string_view line)
{
    Arena arena;
    const ParseResult r = parseFormula(arena, line);
    return {r.ok() ? 0 : r.column, r.error};
}

bool mentions(const Failure &f, const std::string &text)
{
    return f.message.find(text) != std::string::npos;
}

const std::string operand
    = "se esperaba una fórmula (una letra, un predicado, ¬, ∀, ∃, □, ◇ o «(»), pero se encontró ";
const std::string connective
    = "se esperaba un conector (&, V, -> o <->) o el final de la línea, pero se encontró ";

} // namespace

TEST(connectivesBindFromNegationUpToTheBiconditional)
{
    CHECK_EQ(read("p n q -> r V s & \xACt"), "p <-> (q -> (r V (s & ¬t)))");
    CHECK_EQ(read("\xACp & q V r -> s n t"), "(((¬p & q) V r) -> s) <-> t");
    CHECK_EQ(read("p & q n r V s"), "(p & q) <-> (r V s)");
}

TEST(conditionalGroupsToTheRightAndTheOthersToTheLeft)
{
    CHECK_EQ(read("p -> q -> r"), "p -> (q -> r)");
    CHECK_EQ(read("p -> q -> r -> s"), "p -> (q -> (r -> s))");
    CHECK_EQ(read("p V q V r"), "(p V q) V r");
    CHECK_EQ(read("p & q & r"), "(p & q) & r");
    CHECK_EQ(read("p n q n r"), "(p <-> q) <-> r");
}

TEST(parenthesesOverrideBindingAndNegationAppliesToTheNearestOperand)
{
    CHECK_EQ(read("(p -> q) -> r"), "(p -> q) -> r");
    CHECK_EQ(read("p & (q V r)"), "p & (q V r)");
    CHECK_EQ(read("\xAC(p & q)"), "¬(p & q)");
    CHECK_EQ(read("\xAC\xACp"), "¬¬p");
    CHECK_EQ(read("((p))"), "p");
}

TEST(asciiSpellingsReadAsThePaletteBytes)
{
    Arena arena;
    const int palette = parseFormula(arena, "\xACp V q n \xACr -> s").root;
    CHECK(palette >= 0);
    CHECK_EQ(parseFormula(arena, "~p | q <-> -r -> s").root, palette);
    CHECK_EQ(parseFormula(arena, "-p|q<->~r->s").root, palette);
    CHECK_EQ(read("--p"), "¬¬p");
    CHECK_EQ(read("p->-q"), "p -> ¬q");
}

TEST(variablesAreLowerCaseLettersWithDigitsButNotN)
{
    Arena arena;
    const ParseResult r = parseFormula(arena, "p1 & p10 & x25 & v");
    CHECK(r.ok());
    CHECK_EQ(arena.variableCount(), 4);
    CHECK_EQ(arena.variableName(2), std::string("x25"));
    CHECK_EQ(read("pnq"), "p <-> q"); // the byte the ↔ button inserts needs no spaces
    CHECK_EQ(read("pVq&r"), "p V (q & r)");
    CHECK_EQ(read("\tp \xA0& q  "), "p & q");
}

TEST(variablesAreListedInReadingOrder)
{
    Arena arena;
    const int root = parseFormula(arena, "r & p10 & q & p2 & p").root;
    std::string names;
    for (int v : arena.variablesOf({root}))
        names += arena.variableName(v) + " ";
    CHECK_EQ(names, "p p2 p10 q r ");
}

TEST(missingOperandsNameWhatWasExpectedAndWhatWasFound)
{
    Failure f = failure("& p");
    CHECK_EQ(f.column, 1);
    CHECK_EQ(f.message, operand + "la conjunción «&».");
    f = failure("p ->");
    CHECK_EQ(f.column, 5);
    CHECK_EQ(f.message, operand + "el final de la línea.");
    f = failure("p & ()");
    CHECK_EQ(f.column, 6);
    CHECK_EQ(f.message, operand + "«)».");
    f = failure("n p");
    CHECK_EQ(f.column, 1);
    CHECK_EQ(f.message, operand + "el bicondicional «n».");
    f = failure("p V <-> q");
    CHECK_EQ(f.column, 5);
    CHECK(mentions(f, "el bicondicional «<->»"));
    f = failure("\xAC");
    CHECK_EQ(f.column, 2);
}

TEST(missingConnectivesNameWhatWasExpectedAndWhatWasFound)
{
    Failure f = failure("p q");
    CHECK_EQ(f.column, 3);
    CHECK_EQ(f.message, connective + "la letra q.");
    f = failure("pq");
    CHECK_EQ(f.column, 2);
    f = failure("p ~q");
    CHECK_EQ(f.column, 3);
    CHECK_EQ(f.message, connective + "la negación «~».");
    f = failure("p --> q");
    CHECK_EQ(f.column, 3);
    f = failure("p (q)");
    CHECK_EQ(f.column, 3);
    CHECK_EQ(f.message, connective + "«(».");
}

TEST(unbalancedParenthesesPointAtTheirPlace)
{
    Failure f = failure("(p & q");
    CHECK_EQ(f.column, 7);
    CHECK_EQ(f.message,
        "se esperaba un conector (&, V, -> o <->) o «)» que cierre el «(» de la columna 1, "
        "pero se encontró el final de la línea.");
    f = failure("p & (q V (r -> s)");
    CHECK_EQ(f.column, 18);
    CHECK(mentions(f, "de la columna 5"));
    f = failure("p & q)");
    CHECK_EQ(f.column, 6);
    CHECK(mentions(f, "«)» sin su «(»"));
}

// A line in the whole language, printed back in Unicode, or its error.
std::string readLine(std::string_view utf8)
{
    Logic logic;
    const LineParse r = parseLine(logic, decode(utf8, Encoding::Utf8), Encoding::Utf8);
    if (!r.ok())
        return "error at " + std::to_string(r.column) + ": " + r.error;
    std::string out;
    for (int p : r.premises)
        out += logic.text(p) + " ; ";
    return out + (r.argument ? "⊨ " : "") + logic.text(r.conclusion);
}

TEST(quantifiersPredicatesIdentityAndModalitiesInEverySpelling)
{
    struct Case
    {
        const char *line, *read;
    };
    const Case cases[] = {
        {"∀x(Fx → Gx)", "∀x(Fx → Gx)"},
        {"\\forall x (F(x) -> G(x))", "∀x(Fx → Gx)"},
        {"\"x(Fx \u00AE Gx)",
            "∀x(Fx → Gx)"}, // the palette's ∀, a pasted → (1252 bytes read as such)
        {"(∀x)Fx ∧ (∃y)Gy", "∀x Fx ∧ ∃y Gy"},
        {"∀x Fx → Gx", "∀x Fx → Gx"}, // the scope is the formula that follows
        {"∀x∃y Rxy ∨ $zSz", "∀x∃y Rxy ∨ ∃z Sz"},
        {"Rab1 ∧ R(a, f(b, c)) ∧ Fg(a)", "(Rab1 ∧ R(a, f(b, c))) ∧ F(g(a))"},
        {"a = b ∨ a ≠ f(b) ∨ ¬a=b ∨ a != b", "((a = b ∨ a ≠ f(b)) ∨ a ≠ b) ∨ a ≠ b"},
        {"P ∧ q → ⊥", "(P ∧ q) → ⊥"},                       // sentence letters in either case
        {"∀n(Fn ∧ Rnn1) n n = a", "∀n(Fn ∧ Rnn1) ↔ n = a"}, // n is a name only where ↔ never stood
        {"[]p -> <>p", "□p → ◇p"},
        {"\u00A3(p → q) → (\u00A3p → \u00AFq)", "□(p → q) → (□p → ◇q)"},
        {"\\Box \\Diamond p ∧ ◻◊p", "□◇p ∧ □◇p"},
        {"p, p → q ⊨ q", "p ; p → q ; ⊨ q"},
        {"p,q |= r", "p ; q ; ⊨ r"},
        {"p ⊢ q", "p ; ⊨ q"},
        {"p ∴ q", "p ; ⊨ q"},
        {"⊨ p ∨ ¬p", "⊨ p ∨ ¬p"},
        {"p, q",
            "error at 5: se esperaba «⊨» y la conclusión tras las premisas separadas por comas, "
            "pero se encontró el final de la línea."},
        {"p ⊨ q ⊨ r",
            "error at 7: se esperaba un conector (&, V, -> o <->) o el final de la línea, pero se "
            "encontró el signo de consecuencia «⊨» (un argumento lleva un solo «⊨»)."},
        {"∀(Fx)", "error at 2: se esperaba una variable tras ∀, pero se encontró «(»."},
        {"Fa ∧ Fab", "error at 6: el predicado F lleva aquí 2 términos y antes 1."},
        {"∀x(x ∨ Fx)",
            "error at 4: x es una variable del cuantificador; como fórmula se esperaba, por "
            "ejemplo, Fx o x = a."},
        {"f(a) ∧ p",
            "error at 6: se esperaba «=» o «≠» tras el término f(a), pero se encontró la "
            "conjunción «∧»."},
    };
    for (const Case &c : cases)
        CHECK_EQ(readLine(c.line), std::string(c.read));
}

TEST(webCheckerSpellingsReadAsTheSymbolsAndTheOldSpellingsStay)
{
    struct Case
    {
        const char *line, *read;
    };
    const Case cases[] = {
        {"p /\\ q \\/ _|_", "(p ∧ q) ∨ ⊥"},
        {"p/\\q\\/r", "(p ∧ q) ∨ r"},
        {"~(p \\/ q) -> ~p /\\ ~q", "¬(p ∨ q) → (¬p ∧ ¬q)"},
        {"_|_ -> p", "⊥ → p"},
        {"AxFx", "∀x Fx"},
        {"Ax(Fx -> Gx)", "∀x(Fx → Gx)"},
        {"Ax (Fx -> Gx)", "∀x(Fx → Gx)"},
        {"ExAyRxy", "∃x∀y Rxy"},
        {"Ax~Fx /\\ Ey[Gy]", "∀x¬Fx ∧ ∃y Gy"},
        {"AxEy(Rxy \\/ x = y)", "∀x∃y(Rxy ∨ x = y)"},
        {"Ax1Fx1", "∀x1 Fx1"},
        {"Ax_|_", "∀x ⊥"},
        {"ExFx, AxGx |= Ex(Fx /\\ Gx)", "∃x Fx ; ∀x Gx ; ⊨ ∃x(Fx ∧ Gx)"},
        // Where the predicate reads, it stays.
        {"Ax", "Ax"},
        {"Ax -> Bx", "Ax → Bx"},
        {"Ax V Ex", "Ax ∨ Ex"},
        {"Axy & Eab", "Axy ∧ Eab"},
        {"Ax(a, b)", "A(x(a, b))"},
        {"Ax(f(a))", "A(x(f(a)))"},
        {"AxFx & Ax", "∀x Fx ∧ Ax"},
        {"A1xFx",
            "error at 4: se esperaba un conector (&, V, -> o <->) o el final de la línea, "
            "pero se encontró el predicado F."},
        // Old spellings that look alike keep their meaning.
        {"p \\ q", "p ; ⊨ q"},
        {"p |- q | r", "p ; ⊨ q ∨ r"},
        {"a /= b", "a ≠ b"},
        {"\\top \\lor \\bot", "⊤ ∨ ⊥"},
    };
    for (const Case &c : cases)
        CHECK_EQ(readLine(c.line), std::string(c.read));
    // Each spelling is the same node as the symbols', so it is decided as they are.
    Arena arena;
    CHECK_EQ(parseFormula(arena, "p /\\ q \\/ _|_").root,
        parseFormula(arena, decode("p ∧ q ∨ ⊥", Encoding::Utf8), Encoding::Utf8).root);
    // "Ax^Bx" keeps its hint: the caret there is a conjunction mistyped.
    CHECK(mentions(failure("Ax ^ Bx"), "¿quería escribir & (conjunción)?"));
    CHECK(mentions(failure("Ax^Bx"), "¿quería escribir & (conjunción)?"));
    CHECK(mentions(failure("Ax y"), "los términos van pegados al predicado: Axy."));
}

TEST(boundVariablesAreNotConstantsAndInstancesRespectScopes)
{
    Logic logic;
    const LineParse r
        = parseLine(logic, decode("∀x(Fx ∧ ∃x Gx) ∧ Hx", Encoding::Utf8), Encoding::Utf8);
    CHECK(r.ok());
    const FormulaNode &all = logic.node(logic.node(r.conclusion).a);
    CHECK_EQ(all.vars, std::uint64_t{0}); // x is bound inside, and a constant in Hx
    const int c = logic.constant(logic.function("c", 0));
    CHECK_EQ(logic.text(logic.substitute(all.b, all.a, c)), std::string("Fc ∧ ∃x Gx"));
}

TEST(onlyValidUtf8ThatIsNotAsciiIsReadAsUtf8)
{
    struct Case
    {
        std::string bytes;
        Encoding expected;
    };
    const Case cases[] = {
        {"p & q", Encoding::Cp1252},            // ASCII reads the same either way
        {"p \xE2\x88\xA7 q", Encoding::Utf8},   // ∧
        {"\xEF\xBB\xBFp", Encoding::Utf8},      // a byte-order mark
        {"p \xD9 q \xAE r", Encoding::Cp1252},  // pasted "Symbol" ∧ and →
        {"\xC0\x80", Encoding::Cp1252},         // an overlong NUL
        {"\xED\xA0\x80", Encoding::Cp1252},     // a surrogate
        {"p \xE2\x88", Encoding::Cp1252},       // cut short
        {"\xF4\x90\x80\x80", Encoding::Cp1252}, // past U+10FFFF
        {"\xD8\xAC", Encoding::Utf8}, // "Ø¬" in 1252 is also U+062C: the rule says UTF-8
    };
    for (const Case &c : cases)
        CHECK_EQ(static_cast<int>(detectEncoding(c.bytes)), static_cast<int>(c.expected));
    // 1252's five undefined codes survive decoding, so that a message can name the byte.
    CHECK(decode("\x81\x8D", Encoding::Cp1252) == U"\x81\x8D");
    CHECK(decode("\xE2\x88", Encoding::Utf8) == U"\uFFFD\uFFFD");
}

TEST(keyboardHabitsBetweenOperandsNameWhatWasMeant)
{
    const std::string v = "; ¿quería escribir V (disyunción)?",
                      amp = "; ¿quería escribir & (conjunción)?";
    const std::string arrow = "; ¿quería escribir -> (condicional)?",
                      both = "; ¿quería escribir <-> (bicondicional)?";
    struct Case
    {
        const char *line;
        int column;
        std::string ending;
    };
    const Case cases[] = {
        {"p v q", 3, "la letra v" + v},
        {"(p v q)", 4, "la letra v" + v},
        {"p ^ q", 3, "«^»" + amp},
        {"p - > q", 3, "«- >»" + arrow},
        {"p -> q --> r", 8, "«-->»" + arrow},
        {"p <- > q", 3, "«<- >»" + both},
        {"p <--> q", 3, "«<-->»" + both},
        {"- > q", 1, "«- >»" + arrow},
    };
    for (const Case &c : cases) {
        const Failure f = failure(c.line);
        CHECK_EQ(f.column, c.column);
        if (f.message.size() < c.ending.size()
            || f.message.substr(f.message.size() - c.ending.size()) != c.ending)
            CHECK_EQ(f.message, "... " + c.ending);
    }
    // Where an operand goes, v is a variable and ^ is falsum, as the palette's ⊥ byte.
    CHECK_EQ(read("v & ^"), "v & \\bot");
    CHECK_EQ(read("^ -> \xACv"), "\\bot -> ¬v");
}

TEST(otherBytesAreNamedWithAHint)
{
    CHECK(mentions(failure("Fx y"), "la letra y; los términos van pegados al predicado: Fxy."));
    CHECK(mentions(failure("p & 1"), "el dígito 1"));
    CHECK(mentions(failure("p <- q"), "«<» (el bicondicional se escribe <->)"));
    CHECK(mentions(failure("p // q"), "«/» (un comentario es una línea que empieza por //)"));
    CHECK(mentions(failure("p # q"), "el carácter «#» (byte 0x23)"));
    CHECK(mentions(failure("p \xF7 q"), "el carácter «÷» (byte 0xF7)"));
    CHECK(mentions(failure(std::string_view("p \x01 q", 5)), "el byte 0x01"));
    CHECK(mentions(failure(std::string_view("p \0 q", 5)), "el byte 0x00"));
    CHECK(mentions(failure("p \x81"), "el byte 0x81"));
}

TEST(deepNestingIsRefusedAndLongChainsAreFine)
{
    const std::string ok = std::string(kMaxNesting, '(') + "p" + std::string(kMaxNesting, ')');
    CHECK_EQ(read(ok), "p");
    const std::string deep
        = std::string(kMaxNesting + 1, '(') + "p" + std::string(kMaxNesting + 1, ')');
    const Failure f = failure(deep);
    CHECK_EQ(f.column, kMaxNesting + 1);
    CHECK(mentions(f, "paréntesis"));

    // One depth limit for every formula, propositional ones included: up to it, chains of
    // connectives and negations are read and printed; past it, a Spanish error says why.
    auto chain = [](int operands, const char *connective) {
        std::string s = "p0";
        for (int i = 1; i < operands; ++i)
            s += std::string(" ") + connective + " p" + std::to_string(i % 50);
        return s;
    };
    Arena arena;
    const ParseResult r = parseFormula(arena, chain(kMaxFormulaDepth, "->"));
    CHECK(r.ok());
    CHECK(arena.text(r.root).size() > std::size_t{kMaxFormulaDepth});
    CHECK(parseFormula(arena, chain(kMaxFormulaDepth / 2, "&")).ok());
    CHECK(parseFormula(arena, std::string(kMaxFormulaDepth - 1, '~') + "p").ok());
    for (const std::string &tooDeep :
        {chain(kMaxFormulaDepth + 1, "->"), chain(kMaxFormulaDepth + 1, "&"),
            std::string(kMaxFormulaDepth, '~') + "p", std::string(1'000'000, '~') + "p"}) {
        const ParseResult refused = parseFormula(arena, tooDeep);
        CHECK(!refused.ok() && refused.error.find("anida más de") != std::string::npos);
    }
}

TEST_MAIN()
