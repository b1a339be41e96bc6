#include "platform/rtf/RtfTokenizer.h"

#include "platform/rtf/RtfLimits.h"

#include <algorithm>
#include <climits>

namespace zv::rtf {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Token RtfTokenizer::next()
{
    const qsizetype size = m_input.size();
    const char *data = m_input.data();
    while (m_pos < size && (data[m_pos] == '\r' || data[m_pos] == '\n'))
        ++m_pos;
    Token token;
    if (m_pos >= size)
        return token;
    switch (data[m_pos]) {
    case '{':
        ++m_pos;
        token.kind = Token::GroupOpen;
        return token;
    case '}':
        ++m_pos;
        token.kind = Token::GroupClose;
        return token;
    case '\\': ++m_pos; return readControl();
    default: break;
    }
    const qsizetype begin = m_pos;
    // A paragraph of megabytes comes as many runs, so that reading it can breathe between them.
    const qsizetype end = std::min(size, begin + kMaxTextToken);
    while (m_pos < end) {
        const char c = data[m_pos];
        if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n')
            break;
        ++m_pos;
    }
    token.kind = Token::Text;
    token.text = m_input.sliced(begin, m_pos - begin);
    return token;
}

Token RtfTokenizer::readControl()
{
    const qsizetype size = m_input.size();
    const char *data = m_input.data();
    Token token;
    if (m_pos >= size)
        return token;
    const char first = data[m_pos];
    if (!isLetter(first)) {
        ++m_pos;
        if (first == '\r' || first == '\n') {
            token.kind = Token::Word;
            token.name = "par";
            return token;
        }
        if (first != '\'') {
            token.kind = Token::Symbol;
            token.symbol = first;
            return token;
        }
        // A broken \' (fewer than two hex digits) is dropped with the digits it has; only the
        // input's end stops the reader.
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_pos < size && hexValue(data[m_pos]) >= 0)
            value = value * 16 + hexValue(data[m_pos++]), ++digits;
        if (digits < 2) {
            token.kind = m_pos >= size ? Token::End : Token::Text;
            return token;
        }
        token.kind = Token::Hex;
        token.byte = static_cast<unsigned char>(value);
        return token;
    }

    const qsizetype begin = m_pos;
    while (m_pos < size && isLetter(data[m_pos])) {
        if (m_pos - begin >= limits::kMaxWordLength) {
            token.kind = Token::Error;
            return token;
        }
        ++m_pos;
    }
    token.kind = Token::Word;
    token.name = m_input.sliced(begin, m_pos - begin);

    bool negative = false;
    if (m_pos + 1 < size && data[m_pos] == '-' && isDigit(data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    qint64 value = 0;
    int digits = 0;
    while (m_pos < size && isDigit(data[m_pos])) {
        if (++digits > limits::kMaxNumberLength) {
            token.kind = Token::Error;
            return token;
        }
        value = value * 10 + (data[m_pos++] - '0');
    }
    if (digits > 0) {
        token.hasParam = true;
        if (negative)
            value = -value;
        token.param = int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
    }
    if (m_pos < size && data[m_pos] == ' ')
        ++m_pos;

    if (token.name == "bin") {
        // The payload may hold anything, braces included; an oversized count ends the input.
        const qint64 length = token.hasParam ? std::max(0, token.param) : 0;
        m_pos += std::min<qint64>(length, size - m_pos);
        token.kind = Token::Binary;
    }
    return token;
}

} // namespace zv::rtf
