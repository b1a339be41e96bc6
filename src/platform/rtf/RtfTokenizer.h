#pragma once

#include <QByteArrayView>

namespace zv::rtf {

/// A longer run of text comes as several Text tokens.
inline constexpr qsizetype kMaxTextToken = 1 << 16;

/// One lexical element of an RTF stream. Views point into the tokenizer's input.
struct Token
{
    enum Kind {
        End,   ///< the input is exhausted
        Error, ///< a control word or number past its limit
        GroupOpen,
        GroupClose,
        Word,   ///< \name or \nameN; `name`, `hasParam`, `param`
        Symbol, ///< \x for a non-letter x; `symbol`
        Hex,    ///< \'hh; `byte`
        Text,   ///< a run of literal bytes without line ends, kMaxTextToken at most; `text`
        Binary, ///< \binN and its N bytes, already skipped
    };
    Kind kind = End;
    QByteArrayView name;
    QByteArrayView text;
    int param = 0;
    bool hasParam = false;
    char symbol = 0;
    unsigned char byte = 0;
};

/**
 * Splits RTF into tokens in one pass, without allocating.
 *
 * Line ends between tokens mean nothing in RTF and are dropped, except after a backslash, where
 * they stand for \par. \bin payloads are skipped here, byte-exact, so that braces inside them
 * never reach the reader.
 */
class RtfTokenizer
{
public:
    explicit RtfTokenizer(QByteArrayView input) : m_input(input) {}

    Token next();
    qsizetype position() const { return m_pos; }

private:
    Token readControl();

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

} // namespace zv::rtf
