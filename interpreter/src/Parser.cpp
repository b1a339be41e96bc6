#include "Parser.h"

#include "Cp1252.h"

#include <cstdio>
#include <vector>

namespace zpl {
namespace {

enum class Tok { Var, Not, And, Or, Implies, Iff, Open, Close, End, Bad };

struct Token {
    Tok kind = Tok::End;
    std::size_t pos = 0;
    std::size_t len = 0;
};

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0xA0; }
bool isLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string hex(unsigned char c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", c);
    return buf;
}

// Bytes that only the text-mode palette inserts; naming them tells the user why they fail here.
const char *textModeSymbol(std::string_view rest, std::size_t &len)
{
    const auto c = static_cast<unsigned char>(rest[0]);
    len = 1;
    if (c == 0xF7 && rest.size() > 1 && (rest[1] == 0x3D || rest[1] == 0x2D)) {
        len = 2;
        return rest[1] == 0x3D ? "el símbolo de consecuencia semántica (bytes 0xF7 0x3D)"
                               : "el símbolo de deducción (bytes 0xF7 0x2D)";
    }
    switch (c) {
    case 0x22: return "el cuantificador universal (byte 0x22)";
    case 0x24: return "el cuantificador existencial (byte 0x24)";
    case 0xBA: return "el símbolo de equivalencia (byte 0xBA)";
    case 'T': return "la constante verdadero T";
    case 0x5E: return "la constante falso (byte 0x5E)";
    case 0xA3: return "el operador de necesidad (byte 0xA3)";
    case 0xAF: return "el operador de posibilidad (byte 0xAF)";
    case 0xDE: return "la implicación del modo texto (byte 0xDE)";
    case 0xDB: return "la doble implicación del modo texto (byte 0xDB)";
    default: return nullptr;
    }
}

class Parser {
public:
    Parser(Arena &arena, std::string_view line) : m_arena(arena), m_line(line) { advance(); }

    ParseResult run()
    {
        ParseResult result;
        const int root = biconditional();
        if (m_failed || expectEnd()) {
            result.column = m_errorColumn;
            result.error = m_error;
            return result;
        }
        result.root = root;
        return result;
    }

private:
    void advance()
    {
        std::size_t i = m_tok.pos + m_tok.len;
        while (i < m_line.size() && isSpace(static_cast<unsigned char>(m_line[i])))
            ++i;
        m_tok = {Tok::End, i, 0};
        if (i >= m_line.size())
            return;
        const auto c = static_cast<unsigned char>(m_line[i]);
        const std::string_view rest = m_line.substr(i);
        auto set = [&](Tok kind, std::size_t len) { m_tok = {kind, i, len}; };
        if (c == 'n')
            set(Tok::Iff, 1);
        else if (isLower(c)) {
            std::size_t len = 1;
            while (i + len < m_line.size() && isDigit(static_cast<unsigned char>(m_line[i + len])))
                ++len;
            set(Tok::Var, len);
        } else if (rest.substr(0, 2) == "->")
            set(Tok::Implies, 2);
        else if (rest.substr(0, 3) == "<->")
            set(Tok::Iff, 3);
        else if (c == 0xAC || c == '~' || c == '-')
            set(Tok::Not, 1);
        else if (c == 'V' || c == '|')
            set(Tok::Or, 1);
        else if (c == '&')
            set(Tok::And, 1);
        else if (c == '(')
            set(Tok::Open, 1);
        else if (c == ')')
            set(Tok::Close, 1);
        else {
            std::size_t len = 1;
            textModeSymbol(rest, len);
            set(Tok::Bad, len);
        }
    }

    std::string describe(const Token &t) const
    {
        const std::string lexeme = fromCp1252(m_line.substr(t.pos, t.len));
        switch (t.kind) {
        case Tok::Var: return "la variable " + lexeme;
        case Tok::Not: return "la negación «" + lexeme + "»";
        case Tok::And: return "la conjunción «&»";
        case Tok::Or: return "la disyunción «" + lexeme + "»";
        case Tok::Implies: return "el condicional «->»";
        case Tok::Iff: return "el bicondicional «" + lexeme + "»";
        case Tok::Open: return "«(»";
        case Tok::Close: return "«)»";
        case Tok::End: return "el final de la línea";
        case Tok::Bad: break;
        }
        const std::string_view rest = m_line.substr(t.pos);
        const auto c = static_cast<unsigned char>(rest[0]);
        std::size_t len = 1;
        if (const char *name = textModeSymbol(rest, len)) {
            std::string s = std::string(name) + ", que solo se usa en modo texto";
            if (c == 0xDE)
                s += "; el condicional se escribe ->";
            else if (c == 0xDB)
                s += "; el bicondicional se escribe con el botón ↔ (n) o como <->";
            return s;
        }
        if (c >= 'A' && c <= 'Z')
            return "la letra mayúscula " + lexeme + " (las variables se escriben en minúscula)";
        if (isDigit(c))
            return "el dígito " + lexeme + " (un nombre de variable empieza por una letra minúscula)";
        if (c == '<')
            return "«<» (el bicondicional se escribe <->)";
        if (c == '/')
            return "«/» (un comentario es una línea que empieza por //)";
        if (c >= 0x21 && isPrintableCp1252(c))
            return "el carácter «" + lexeme + "» (byte " + hex(c) + ")";
        return "el byte " + hex(c);
    }

    void fail(const std::string &expected)
    {
        if (m_failed)
            return;
        m_failed = true;
        m_errorColumn = static_cast<int>(m_tok.pos) + 1;
        m_error = "se esperaba " + expected + ", pero se encontró " + describe(m_tok) + ".";
    }

    // After a complete operand only a connective, a closing parenthesis or the end may follow.
    bool expectEnd()
    {
        if (m_tok.kind == Tok::End)
            return false;
        if (m_tok.kind == Tok::Close) {
            m_failed = true;
            m_errorColumn = static_cast<int>(m_tok.pos) + 1;
            m_error = "se esperaba un conector (&, V, -> o <->) o el final de la línea, pero se "
                      "encontró «)» sin su «(».";
            return true;
        }
        fail("un conector (&, V, -> o <->) o el final de la línea");
        return true;
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
        if (m_tok.kind == Tok::Var) {
            const int id = m_arena.variable(m_line.substr(m_tok.pos, m_tok.len));
            advance();
            return id;
        }
        if (m_tok.kind != Tok::Open) {
            fail("una variable, ¬ o «(»");
            return -1;
        }
        const Token open = m_tok;
        if (++m_depth > kMaxNesting) {
            m_failed = true;
            m_errorColumn = static_cast<int>(open.pos) + 1;
            m_error = "hay más de " + std::to_string(kMaxNesting)
                      + " paréntesis abiertos a la vez; simplifique la fórmula.";
            return -1;
        }
        advance();
        const int inner = biconditional();
        if (!m_failed && m_tok.kind != Tok::Close)
            fail("un conector (&, V, -> o <->) o «)» que cierre el «(» de la columna "
                 + std::to_string(open.pos + 1));
        if (m_failed)
            return -1;
        --m_depth;
        advance();
        return inner;
    }

    Arena &m_arena;
    std::string_view m_line;
    Token m_tok;
    int m_depth = 0;
    bool m_failed = false;
    int m_errorColumn = 0;
    std::string m_error;
};

} // namespace

ParseResult parseFormula(Arena &arena, std::string_view line)
{
    return Parser(arena, line).run();
}

} // namespace zpl
