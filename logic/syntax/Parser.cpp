#include "Parser.h"

#include "Lexer.h"

#include <cstdio>
#include <unordered_map>

namespace logic {
namespace {

bool isAscii(std::u32string_view s)
{
    for (char32_t c : s)
        if (c >= 0x80)
            return false;
    return true;
}

std::string hex(unsigned value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

// How a character is named when it cannot be read: by its byte in 1252 input, by its code point
// in UTF-8 input.
std::string code(char32_t c, Encoding encoding)
{
    if (encoding == Encoding::Cp1252 && cp1252Byte(c) >= 0)
        return "byte 0x" + hex(static_cast<unsigned>(cp1252Byte(c)), 2);
    return "U+" + hex(static_cast<unsigned>(c), 4);
}

bool isPrintable(char32_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c != 0xFFFD;
}

std::string describe(const Lexer &lexer, const Token &t, Encoding encoding)
{
    const std::u32string_view text = lexer.text(t);
    // A symbol that arrived as a pasted "Symbol" byte is shown as the symbol it stands for.
    const std::string lexeme = isAscii(text) ? toUtf8(text) : tokenSymbol(t.kind);
    switch (t.kind) {
    case Tok::Name: return "la letra " + lexeme;
    case Tok::Predicate: return "el predicado " + lexeme;
    case Tok::Not: return "la negación «" + lexeme + "»";
    case Tok::And: return "la conjunción «" + lexeme + "»";
    case Tok::Or: return "la disyunción «" + lexeme + "»";
    case Tok::Implies: return "el condicional «" + lexeme + "»";
    case Tok::Iff: return "el bicondicional «" + lexeme + "»";
    case Tok::Top: return "la constante verdadero «" + lexeme + "»";
    case Tok::Bottom: return "la constante falso «" + lexeme + "»";
    case Tok::Forall: return "el cuantificador universal «∀»";
    case Tok::Exists: return "el cuantificador existencial «∃»";
    case Tok::Box: return "el operador de necesidad «□»";
    case Tok::Diamond: return "el operador de posibilidad «◇»";
    case Tok::Turnstile:
        return "el signo de consecuencia «" + (isAscii(text) ? lexeme : std::string("⊨")) + "»";
    case Tok::Equals: return "el signo de identidad «=»";
    case Tok::NotEquals: return "el signo de diferencia «≠»";
    case Tok::Comma: return "la coma";
    case Tok::Open:
    case Tok::Close: return "«" + lexeme + "»";
    case Tok::End: return "el final de la línea";
    case Tok::Bad: break;
    }
    if (t.hint)
        return "«" + toUtf8(text) + "»";
    const char32_t c = text[0];
    if (c == '\\')
        return "la orden «" + toUtf8(text) + "», que no se conoce";
    if (c >= '0' && c <= '9')
        return "el dígito " + lexeme + " (un nombre empieza por una letra)";
    if (c == '<')
        return "«<» (el bicondicional se escribe <->)";
    if (c == '/')
        return "«/» (un comentario es una línea que empieza por //)";
    if (c > 0x20 && isPrintable(c)) {
        std::string one;
        appendUtf8(one, c);
        return "el carácter «" + one + "» (" + code(c, encoding) + ")";
    }
    return encoding == Encoding::Cp1252 && cp1252Byte(c) >= 0 ? "el " + code(c, encoding)
                                                              : "el carácter " + code(c, encoding);
}

const std::string kOperand = "una fórmula (una letra, un predicado, ¬, ∀, ∃, □, ◇ o «(»)";
const std::string kConnective = "un conector (&, V, -> o <->)";

class Parser
{
public:
    Parser(Logic &logic, std::u32string_view line, Encoding encoding)
        : m_logic(logic), m_lexer(line), m_encoding(encoding)
    {
        m_tok = m_lexer.next(0);
    }

    LineParse run()
    {
        LineParse result;
        std::vector<int> formulas;
        if (m_tok.kind != Tok::Turnstile) {
            formulas.push_back(formula());
            while (!m_failed && m_tok.kind == Tok::Comma) {
                advance();
                formulas.push_back(formula());
            }
        }
        if (!m_failed && m_tok.kind == Tok::Turnstile) {
            result.argument = true;
            result.premises = formulas;
            advance();
            result.conclusion = formula();
        } else if (!m_failed && formulas.size() > 1) {
            fail("«⊨» y la conclusión tras las premisas separadas por comas");
        } else if (!m_failed) {
            result.conclusion = formulas[0];
        }
        if (!m_failed)
            expectEnd(result.argument);
        if (!m_failed)
            checkDepth(result);
        if (m_failed) {
            result = LineParse();
            result.column = m_errorColumn;
            result.error = m_error;
        }
        return result;
    }

private:
    void advance()
    {
        m_end = m_tok.pos + m_tok.len;
        m_tok = m_lexer.next(m_end);
    }
    // Whether the current token follows the previous one with no space between them.
    bool adjacent() const { return m_tok.pos == m_end; }

    void failAt(int pos, const std::string &message)
    {
        if (m_failed)
            return;
        m_failed = true;
        m_errorColumn = pos + 1;
        m_error = message;
    }

    // What was probably meant, when a keyboard habit put something odd where a connective goes.
    const char *connectiveHint() const
    {
        if (m_tok.kind == Tok::Name && m_lexer.text(m_tok) == U"v")
            return "V (disyunción)";
        if (m_tok.kind == Tok::Bottom && m_tok.caret)
            return "& (conjunción)";
        return m_tok.hint;
    }

    void fail(const std::string &expected, const char *hint = nullptr)
    {
        std::string message = "se esperaba " + expected + ", pero se encontró "
            + describe(m_lexer, m_tok, m_encoding);
        if (!hint)
            hint = m_tok.hint;
        message += hint ? std::string("; ¿quería escribir ") + hint + "?" : ".";
        failAt(m_tok.pos, message);
    }

    // After a complete formula only a connective, a closing parenthesis or the end may follow.
    void expectEnd(bool argument)
    {
        if (m_tok.kind == Tok::End)
            return;
        if (m_tok.kind == Tok::Close) {
            failAt(m_tok.pos,
                "se esperaba " + kConnective + " o el final de la línea, pero se encontró «"
                    + std::string(m_tok.square ? "]" : ")") + "» sin su «"
                    + (m_tok.square ? "[" : "(") + "».");
            return;
        }
        if (argument && (m_tok.kind == Tok::Turnstile || m_tok.kind == Tok::Comma)) {
            failAt(m_tok.pos,
                "se esperaba " + kConnective + " o el final de la línea, pero se encontró "
                    + describe(m_lexer, m_tok, m_encoding)
                    + (m_tok.kind == Tok::Comma ? " (las premisas van antes de «⊨»)."
                                                : " (un argumento lleva un solo «⊨»)."));
            return;
        }
        fail(kConnective + " o el final de la línea", connectiveHint());
        // "Fx y": a term after a space is no longer the predicate's.
        if (m_tok.kind == Tok::Name && !connectiveHint() && m_lastPredication.second == m_end) {
            m_error.pop_back();
            m_error += "; los términos van pegados al predicado: "
                + toUtf8(m_lexer.line().substr(static_cast<std::size_t>(m_lastPredication.first),
                    static_cast<std::size_t>(m_end - m_lastPredication.first)))
                + toUtf8(m_lexer.text(m_tok)) + ".";
        }
    }

    void checkDepth(const LineParse &r)
    {
        std::vector<int> all = r.premises;
        all.push_back(r.conclusion);
        for (int f : all)
            if (m_logic.node(f).depth > kMaxFormulaDepth)
                tooDeep();
    }

    int formula() { return biconditional(); }

    int biconditional()
    {
        int lhs = conditional();
        while (!m_failed && m_tok.kind == Tok::Iff) {
            advance();
            const int rhs = conditional();
            lhs = make(Fk::Iff, lhs, rhs);
        }
        return lhs;
    }

    // Right-associative, built by a loop so that long chains do not deepen the recursion.
    int conditional()
    {
        std::vector<int> operands{disjunction()};
        while (!m_failed && m_tok.kind == Tok::Implies) {
            advance();
            operands.push_back(disjunction());
        }
        if (m_failed)
            return -1;
        int rhs = operands.back();
        for (std::size_t i = operands.size() - 1; i-- > 0;)
            rhs = make(Fk::Implies, operands[i], rhs);
        return rhs;
    }

    int disjunction()
    {
        int lhs = conjunction();
        while (!m_failed && m_tok.kind == Tok::Or) {
            advance();
            const int rhs = conjunction();
            lhs = make(Fk::Or, lhs, rhs);
        }
        return lhs;
    }

    int conjunction()
    {
        int lhs = unary();
        while (!m_failed && m_tok.kind == Tok::And) {
            advance();
            const int rhs = unary();
            lhs = make(Fk::And, lhs, rhs);
        }
        return lhs;
    }

    int make(Fk kind, int a, int b)
    {
        if (m_failed)
            return -1;
        return shallow(m_logic.binary(kind, a, b));
    }

    // The one depth limit, met as the formula grows: a line of a million connectives fails at
    // once instead of being read whole first.
    int shallow(int f)
    {
        if (f >= 0 && m_logic.node(f).depth > kMaxFormulaDepth) {
            tooDeep();
            return -1;
        }
        return f;
    }

    void tooDeep()
    {
        if (!m_failed)
            failAt(0,
                "la fórmula anida más de " + std::to_string(kMaxFormulaDepth)
                    + " operadores o términos; Zarvik no lee fórmulas tan profundas.");
    }

    // Where only a term can stand, "n" is a name, not the biconditional of the palette: the old
    // language never had anything there, so nothing it read changes.
    bool nameHere()
    {
        if (m_tok.kind == Tok::Name)
            return true;
        if (m_tok.kind != Tok::Iff || m_lexer.text(m_tok) != U"n")
            return false;
        const std::u32string_view line = m_lexer.line();
        std::size_t end = static_cast<std::size_t>(m_tok.pos) + 1;
        while (end < line.size() && line[end] >= '0' && line[end] <= '9')
            ++end;
        m_tok.kind = Tok::Name;
        m_tok.len = static_cast<int>(end) - m_tok.pos;
        return true;
    }

    // The variable of a quantifier, which the lexer reads as a name.
    bool quantifierVariable(Tok quantifier, std::vector<std::pair<Fk, int>> &prefixes)
    {
        if (!nameHere()) {
            fail(std::string("una variable tras ") + tokenSymbol(quantifier));
            return false;
        }
        const std::string name = toUtf8(m_lexer.text(m_tok));
        prefixes.emplace_back(
            quantifier == Tok::Forall ? Fk::Forall : Fk::Exists, m_logic.variable(name));
        m_bound.push_back(name);
        advance();
        return true;
    }

    // Negations, quantifiers and modal operators apply to the formula that follows; a loop, so
    // that thousands of them in a row do not deepen the recursion.
    int unary()
    {
        std::vector<std::pair<Fk, int>> prefixes;
        const std::size_t scopes = m_bound.size();
        while (!m_failed) {
            const Tok k = m_tok.kind;
            if (k == Tok::Not || k == Tok::Box || k == Tok::Diamond) {
                prefixes.emplace_back(k == Tok::Not ? Fk::Not
                        : k == Tok::Box             ? Fk::Box
                                                    : Fk::Diamond,
                    -1);
                advance();
            } else if (k == Tok::Forall || k == Tok::Exists) {
                advance();
                quantifierVariable(k, prefixes);
            } else if (k == Tok::Predicate && asciiQuantifier()) {
                const Tok q = m_lexer.text(m_tok) == U"A" ? Tok::Forall : Tok::Exists;
                advance();
                quantifierVariable(q, prefixes);
            } else if (k == Tok::Open && bracketedQuantifier()) {
                advance(); // "(∀x)Fx", as some textbooks write it
                const Tok q = m_tok.kind;
                advance();
                quantifierVariable(q, prefixes);
                advance();
            } else {
                break;
            }
        }
        int f = m_failed ? -1 : atom();
        for (auto it = prefixes.rbegin(); it != prefixes.rend() && !m_failed; ++it)
            f = shallow(isQuantifier(it->first) ? m_logic.quantified(it->first, it->second, f)
                                                : m_logic.modal(it->first, f));
        m_bound.resize(scopes);
        return m_failed ? -1 : f;
    }

    bool bracketedQuantifier() const
    {
        const Token q = m_lexer.next(m_tok.pos + m_tok.len);
        if (q.kind != Tok::Forall && q.kind != Tok::Exists)
            return false;
        const Token v = m_lexer.next(q.pos + q.len);
        return v.kind == Tok::Name && m_lexer.next(v.pos + v.len).kind == Tok::Close;
    }

    // "AxFx", "Ex(Fx ∧ Gx)": A or E, a variable glued to it, and then a formula with no
    // connective between are a quantifier. Wherever the predicate A or E with its terms reads,
    // it stays: "Ax", "Ax → Bx", "Axy", "Ax(a, b)".
    bool asciiQuantifier() const
    {
        const std::u32string_view letter = m_lexer.text(m_tok);
        if (letter != U"A" && letter != U"E")
            return false;
        const Token v = m_lexer.next(m_tok.pos + m_tok.len);
        if (v.kind != Tok::Name || v.pos != m_tok.pos + m_tok.len)
            return false;
        const Token after = m_lexer.next(v.pos + v.len);
        switch (after.kind) {
        case Tok::Predicate:
        case Tok::Not:
        case Tok::Forall:
        case Tok::Exists:
        case Tok::Box:
        case Tok::Diamond:
        case Tok::Top: return true;
        case Tok::Bottom: return !after.caret; // "Ax^Bx" is a slip for a conjunction
        case Tok::Open:
            // Glued to the variable, terms in parentheses make it a function's arguments.
            return after.square || after.pos != v.pos + v.len || !termsAhead(after);
        default: return false;
        }
    }

    // Whether the parenthesis @p open begins a list of terms closed by its own parenthesis, as
    // a function's arguments; read without building anything, and without recursion.
    bool termsAhead(const Token &open) const
    {
        int depth = 1;
        Token t = m_lexer.next(open.pos + open.len);
        for (;;) {
            const bool name
                = t.kind == Tok::Name || (t.kind == Tok::Iff && m_lexer.text(t) == U"n");
            if (!name)
                return false;
            const int end = t.pos + t.len;
            t = m_lexer.next(end);
            if (t.kind == Tok::Open && !t.square && t.pos == end) {
                ++depth;
                t = m_lexer.next(t.pos + t.len);
                continue;
            }
            while (t.kind == Tok::Close && !t.square) {
                if (--depth == 0)
                    return true;
                t = m_lexer.next(t.pos + t.len);
            }
            if (t.kind != Tok::Comma)
                return false;
            t = m_lexer.next(t.pos + t.len);
        }
    }

    bool isBound(const std::string &name) const
    {
        for (const std::string &b : m_bound)
            if (b == name)
                return true;
        return false;
    }

    // An arity must stay the same within a line: F cannot take one term here and two there.
    bool checkArity(std::unordered_map<std::string, int> &seen, const std::string &name, int arity,
        int pos, const char *what)
    {
        const auto [it, fresh] = seen.emplace(name, arity);
        if (fresh || it->second == arity)
            return true;
        failAt(pos,
            std::string(what) + " " + name + " lleva aquí " + std::to_string(arity) + " término"
                + (arity == 1 ? "" : "s") + " y antes " + std::to_string(it->second) + ".");
        return false;
    }

    int term()
    {
        if (!nameHere()) {
            fail("un término (una letra minúscula, como x o a)");
            return -1;
        }
        const Token start = m_tok;
        const std::string name = toUtf8(m_lexer.text(m_tok));
        advance();
        if (m_tok.kind == Tok::Open && !m_tok.square && adjacent()) {
            advance();
            // Terms nest by recursion here, so they count against the one depth limit.
            if (++m_depth > kMaxNesting) {
                tooDeep();
                return -1;
            }
            std::vector<int> args;
            args.push_back(term());
            while (!m_failed && m_tok.kind == Tok::Comma) {
                advance();
                args.push_back(term());
            }
            --m_depth;
            if (!m_failed && m_tok.kind != Tok::Close)
                fail("«,» u «)» en los argumentos de " + name);
            if (m_failed)
                return -1;
            advance();
            if (!checkArity(
                    m_functions, name, static_cast<int>(args.size()), start.pos, "la función"))
                return -1;
            return m_logic.app(m_logic.function(name, static_cast<int>(args.size())), args);
        }
        if (isBound(name))
            return m_logic.var(m_logic.variable(name));
        if (!checkArity(m_functions, name, 0, start.pos, "la constante"))
            return -1;
        return m_logic.constant(m_logic.function(name, 0));
    }

    int atom()
    {
        switch (m_tok.kind) {
        case Tok::Top:
        case Tok::Bottom: {
            const bool top = m_tok.kind == Tok::Top;
            advance();
            return top ? m_logic.top() : m_logic.bottom();
        }
        case Tok::Predicate: return predication();
        case Tok::Name: return identityOrLetter();
        case Tok::Iff: {
            // "n = a": an identity; "n" alone stays an error, as before.
            const Token after = m_lexer.next(m_tok.pos + m_tok.len);
            if (m_lexer.text(m_tok) == U"n"
                && (after.kind == Tok::Equals || after.kind == Tok::NotEquals)) {
                nameHere();
                return identityOrLetter();
            }
            fail(kOperand);
            return -1;
        }
        case Tok::Open: return parenthesised();
        default: fail(kOperand); return -1;
        }
    }

    // "Fx", "Rab", "R(x, f(y))": the terms follow the letter with no space before them.
    int predication()
    {
        const Token start = m_tok;
        const std::string name = toUtf8(m_lexer.text(m_tok));
        advance();
        std::vector<int> args;
        if (m_tok.kind == Tok::Open && !m_tok.square && adjacent()) {
            advance();
            args.push_back(term());
            while (!m_failed && m_tok.kind == Tok::Comma) {
                advance();
                args.push_back(term());
            }
            if (!m_failed && m_tok.kind != Tok::Close)
                fail("«,» u «)» en los términos de " + name);
            if (m_failed)
                return -1;
            advance();
        } else {
            while (!m_failed && adjacent() && nameHere())
                args.push_back(term());
        }
        if (m_failed
            || !checkArity(
                m_predicates, name, static_cast<int>(args.size()), start.pos, "el predicado"))
            return -1;
        m_lastPredication = {start.pos, m_end};
        return m_logic.atom(m_logic.predicate(name, static_cast<int>(args.size())), args);
    }

    // A lower-case name begins an identity "a = b" or is a letter p, q... on its own.
    int identityOrLetter()
    {
        const Token start = m_tok;
        const std::string name = toUtf8(m_lexer.text(m_tok));
        const Token after = m_lexer.next(start.pos + start.len);
        const bool call
            = after.kind == Tok::Open && !after.square && after.pos == start.pos + start.len;
        if (!call && after.kind != Tok::Equals && after.kind != Tok::NotEquals) {
            if (isBound(name)) {
                failAt(start.pos,
                    name
                        + " es una variable del cuantificador; como fórmula se esperaba, por "
                          "ejemplo, F"
                        + name + " o " + name + " = a.");
                return -1;
            }
            advance();
            return m_logic.atom(m_logic.predicate(name, 0), {});
        }
        const int lhs = term();
        if (m_failed)
            return -1;
        if (m_tok.kind != Tok::Equals && m_tok.kind != Tok::NotEquals) {
            fail("«=» o «≠» tras el término " + m_logic.termText(lhs));
            return -1;
        }
        const bool different = m_tok.kind == Tok::NotEquals;
        advance();
        const int rhs = term();
        if (m_failed)
            return -1;
        const int eq = m_logic.equal(lhs, rhs);
        return different ? m_logic.negation(eq) : eq;
    }

    int parenthesised()
    {
        const Token open = m_tok;
        if (++m_depth > kMaxNesting) {
            failAt(open.pos,
                "hay más de " + std::to_string(kMaxNesting)
                    + " paréntesis abiertos a la vez; simplifique la fórmula.");
            return -1;
        }
        advance();
        const int inner = formula();
        const char *closer = open.square ? "«]»" : "«)»";
        if (!m_failed && (m_tok.kind != Tok::Close || m_tok.square != open.square))
            fail(kConnective + " o " + closer + " que cierre el «" + (open.square ? "[" : "(")
                    + "» de la columna " + std::to_string(open.pos + 1),
                m_tok.kind == Tok::Close ? nullptr : connectiveHint());
        if (m_failed)
            return -1;
        --m_depth;
        advance();
        return inner;
    }

    Logic &m_logic;
    Lexer m_lexer;
    Encoding m_encoding;
    Token m_tok;
    int m_end = 0; // where the previous token ended
    std::pair<int, int> m_lastPredication{
        -1, -1}; // where the last predicate and its terms began and ended
    int m_depth = 0;
    std::vector<std::string> m_bound; // variables of the quantifiers in scope, innermost last
    std::unordered_map<std::string, int> m_predicates, m_functions; // arities met on this line
    bool m_failed = false;
    int m_errorColumn = 0;
    std::string m_error;
};

} // namespace

LineParse parseLine(Logic &logic, std::u32string_view line, Encoding encoding)
{
    return Parser(logic, line, encoding).run();
}

int toArena(const Logic &logic, int formula, Arena &arena)
{
    // Iterative, children first: propositional lines may chain thousands of connectives.
    std::unordered_map<int, int> done;
    std::vector<std::pair<int, bool>> stack{{formula, false}};
    while (!stack.empty()) {
        const auto [f, expanded] = stack.back();
        stack.pop_back();
        if (done.count(f))
            continue;
        const FormulaNode &n = logic.node(f);
        const bool unary = n.kind == Fk::Not, binary = isBinary(n.kind);
        if (!expanded && (unary || binary)) {
            // Left operands first, so that nodes are numbered in reading order.
            stack.push_back({f, true});
            if (binary)
                stack.push_back({n.b, false});
            stack.push_back({n.a, false});
            continue;
        }
        int id = -1;
        switch (n.kind) {
        case Fk::Atom: id = arena.variable(logic.predicateSymbol(n.a).name); break;
        case Fk::Top: id = arena.constant(true); break;
        case Fk::Bottom: id = arena.constant(false); break;
        case Fk::Not: id = arena.negation(done.at(n.a)); break;
        case Fk::And: id = arena.make(Op::And, done.at(n.a), done.at(n.b)); break;
        case Fk::Or: id = arena.make(Op::Or, done.at(n.a), done.at(n.b)); break;
        case Fk::Implies: id = arena.make(Op::Implies, done.at(n.a), done.at(n.b)); break;
        case Fk::Iff: id = arena.make(Op::Iff, done.at(n.a), done.at(n.b)); break;
        default: break; // not propositional: the caller checked
        }
        done.emplace(f, id);
    }
    return done.at(formula);
}

ParseResult parseFormula(Arena &arena, std::u32string_view line, Encoding encoding)
{
    Logic logic;
    const LineParse parsed = parseLine(logic, line, encoding);
    ParseResult result;
    if (!parsed.ok()) {
        result.column = parsed.column;
        result.error = parsed.error;
    } else if (parsed.argument || !logic.isPropositional(parsed.conclusion)) {
        result.column = 1;
        result.error = "la línea no es una fórmula proposicional.";
    } else {
        result.root = toArena(logic, parsed.conclusion, arena);
    }
    return result;
}

ParseResult parseFormula(Arena &arena, std::string_view line)
{
    const std::u32string text = decode(line, Encoding::Cp1252);
    return parseFormula(arena, text, Encoding::Cp1252);
}

} // namespace logic
