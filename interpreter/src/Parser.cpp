#include "Parser.h"

#include "Lexer.h"

#include <cstdio>
#include <vector>

namespace zpl {
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

// Symbols the propositional grammar does not take yet; named as the palette names them.
const char *unsupported(Tok kind)
{
    switch (kind) {
    case Tok::Forall: return "el cuantificador universal";
    case Tok::Exists: return "el cuantificador existencial";
    case Tok::Box: return "el operador de necesidad";
    case Tok::Diamond: return "el operador de posibilidad";
    case Tok::Turnstile: return "el símbolo de consecuencia";
    case Tok::Equals: return "el signo de identidad";
    case Tok::NotEquals: return "el signo de diferencia";
    case Tok::Comma: return "la coma";
    default: return nullptr;
    }
}

const std::string kOperand = "una variable, ¬ o «(»";
const std::string kConnective = "un conector (&, V, -> o <->)";

class Parser {
public:
    Parser(Arena &arena, std::u32string_view line, Encoding encoding)
        : m_arena(arena), m_lexer(line), m_encoding(encoding)
    {
        m_tok = m_lexer.next(0);
    }

    ParseResult run()
    {
        ParseResult result;
        const int root = biconditional();
        if (!m_failed)
            expectEnd();
        if (m_failed) {
            result.column = m_errorColumn;
            result.error = m_error;
            return result;
        }
        result.root = root;
        return result;
    }

private:
    void advance() { m_tok = m_lexer.next(m_tok.pos + m_tok.len); }

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
                              + describeToken(m_lexer.line(), m_tok.pos, m_encoding);
        if (!hint)
            hint = m_tok.hint;
        message += hint ? std::string("; ¿quería escribir ") + hint + "?" : ".";
        failAt(m_tok.pos, message);
    }

    // After a complete operand only a connective, a closing parenthesis or the end may follow.
    void expectEnd()
    {
        if (m_tok.kind == Tok::End)
            return;
        if (m_tok.kind == Tok::Close) {
            failAt(m_tok.pos, "se esperaba " + kConnective + " o el final de la línea, pero se encontró «"
                                  + std::string(m_tok.square ? "]" : ")") + "» sin su «"
                                  + (m_tok.square ? "[" : "(") + "».");
            return;
        }
        fail(kConnective + " o el final de la línea", connectiveHint());
    }

    int make(Op op, int lhs, int rhs = -1)
    {
        if (m_failed)
            return -1;
        return m_arena.make(op, lhs, rhs);
    }

    int biconditional()
    {
        int lhs = conditional();
        while (!m_failed && m_tok.kind == Tok::Iff) {
            advance();
            const int rhs = conditional();
            lhs = make(Op::Iff, lhs, rhs);
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
            rhs = make(Op::Implies, operands[i], rhs);
        return rhs;
    }

    int disjunction()
    {
        int lhs = conjunction();
        while (!m_failed && m_tok.kind == Tok::Or) {
            advance();
            const int rhs = conjunction();
            lhs = make(Op::Or, lhs, rhs);
        }
        return lhs;
    }

    int conjunction()
    {
        int lhs = negation();
        while (!m_failed && m_tok.kind == Tok::And) {
            advance();
            const int rhs = negation();
            lhs = make(Op::And, lhs, rhs);
        }
        return lhs;
    }

    int negation()
    {
        int count = 0;
        while (m_tok.kind == Tok::Not) {
            advance();
            ++count;
        }
        int operand = atom();
        while (count-- > 0)
            operand = make(Op::Not, operand);
        return operand;
    }

    int atom()
    {
        if (m_tok.kind == Tok::Name) {
            const int id = m_arena.variable(toUtf8(m_lexer.text(m_tok)));
            advance();
            return id;
        }
        if (m_tok.kind == Tok::Top || m_tok.kind == Tok::Bottom) {
            const int id = m_arena.constant(m_tok.kind == Tok::Top);
            advance();
            return id;
        }
        if (m_tok.kind != Tok::Open) {
            fail(kOperand);
            return -1;
        }
        const Token open = m_tok;
        if (++m_depth > kMaxNesting) {
            failAt(open.pos, "hay más de " + std::to_string(kMaxNesting)
                                 + " paréntesis abiertos a la vez; simplifique la fórmula.");
            return -1;
        }
        advance();
        const int inner = biconditional();
        const char *closer = open.square ? "«]»" : "«)»";
        if (!m_failed && (m_tok.kind != Tok::Close || m_tok.square != open.square))
            fail(kConnective + " o " + closer + " que cierre el «" + (open.square ? "[" : "(") + "» de la columna "
                     + std::to_string(open.pos + 1),
                 m_tok.kind == Tok::Close ? nullptr : connectiveHint());
        if (m_failed)
            return -1;
        --m_depth;
        advance();
        return inner;
    }

    Arena &m_arena;
    Lexer m_lexer;
    Encoding m_encoding;
    Token m_tok;
    int m_depth = 0;
    bool m_failed = false;
    int m_errorColumn = 0;
    std::string m_error;
};

} // namespace

std::string describeToken(std::u32string_view line, int pos, Encoding encoding)
{
    const Lexer lexer(line);
    const Token t = lexer.next(pos);
    const std::u32string_view text = lexer.text(t);
    // A symbol that arrived as a pasted "Symbol" byte is shown as the symbol it stands for.
    const std::string lexeme = isAscii(text) ? toUtf8(text) : tokenSymbol(t.kind);
    switch (t.kind) {
    case Tok::Name: return "la variable " + lexeme;
    case Tok::Predicate: return "la letra mayúscula " + lexeme + " (las variables se escriben en minúscula)";
    case Tok::Not: return "la negación «" + lexeme + "»";
    case Tok::And: return "la conjunción «" + lexeme + "»";
    case Tok::Or: return "la disyunción «" + lexeme + "»";
    case Tok::Implies: return "el condicional «" + lexeme + "»";
    case Tok::Iff: return "el bicondicional «" + lexeme + "»";
    case Tok::Top: return "la constante verdadero «" + lexeme + "»";
    case Tok::Bottom: return "la constante falso «" + lexeme + "»";
    case Tok::Open: return "«" + lexeme + "»";
    case Tok::Close: return "«" + lexeme + "»";
    case Tok::End: return "el final de la línea";
    case Tok::Forall: case Tok::Exists: case Tok::Box: case Tok::Diamond: case Tok::Turnstile:
    case Tok::Equals: case Tok::NotEquals: case Tok::Comma: {
        std::string s = std::string(unsupported(t.kind)) + " «" + tokenSymbol(t.kind) + "»";
        if (!isAscii(text) || t.kind == Tok::Forall || t.kind == Tok::Exists) {
            std::string codes;
            for (std::size_t i = 0; i < text.size(); ++i)
                codes += (i ? " " : "") + code(text[i], encoding);
            if (text.size() > 1 && encoding == Encoding::Cp1252) // "bytes 0xF7 0x3D"
                for (std::size_t at; (at = codes.find(" byte ")) != std::string::npos;)
                    codes.replace(at, 6, " ");
            s += " (" + (text.size() > 1 && encoding == Encoding::Cp1252 ? "bytes " + codes.substr(5) : codes) + ")";
        }
        return s + ", que el intérprete proposicional no admite";
    }
    case Tok::Bad: break;
    }
    if (t.hint)
        return "«" + toUtf8(text) + "»";
    const char32_t c = text[0];
    if (c == '\\')
        return "la orden «" + toUtf8(text) + "», que no se conoce";
    if (c >= '0' && c <= '9')
        return "el dígito " + lexeme + " (un nombre de variable empieza por una letra minúscula)";
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

ParseResult parseFormula(Arena &arena, std::u32string_view line, Encoding encoding)
{
    return Parser(arena, line, encoding).run();
}

ParseResult parseFormula(Arena &arena, std::string_view line)
{
    const std::u32string text = decode(line, Encoding::Cp1252);
    return parseFormula(arena, text, Encoding::Cp1252);
}

} // namespace zpl
