#include "Text.h"

#include "Cp1252.h"

#include <array>

namespace logic {
namespace {

bool isLetterOrDigit(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The length of the valid UTF-8 sequence at the start of @p s, or 0.
std::size_t sequenceLength(std::string_view s, char32_t &out)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    std::size_t n = 0;
    char32_t c = 0, min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    out = c;
    return n;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c;
        const std::size_t n = sequenceLength(bytes.substr(i), c);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

Encoding detectEncoding(std::string_view bytes)
{
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    return !ascii && isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Cp1252;
}

std::u32string decode(std::string_view bytes, Encoding encoding)
{
    std::u32string out;
    out.reserve(bytes.size());
    if (encoding == Encoding::Cp1252) {
        const std::string utf8 = fromCp1252(bytes);
        // fromCp1252 marks the undefined codes with U+FFFD; keep their byte value instead.
        std::size_t at = 0;
        for (char ch : bytes) {
            char32_t c;
            at += sequenceLength(std::string_view(utf8).substr(at), c);
            out += c == 0xFFFD ? static_cast<char32_t>(static_cast<unsigned char>(ch)) : c;
        }
        return out;
    }
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c;
        const std::size_t n = sequenceLength(bytes.substr(i), c);
        out += n ? c : U'\uFFFD';
        i += n ? n : 1;
    }
    return out;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string toUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

int cp1252Byte(char32_t c)
{
    if (c < 0x100 && !(c >= 0x80 && c < 0xA0))
        return static_cast<int>(c);
    if (c >= 0x80 && c < 0xA0) // an undefined code, kept by decode()
        return static_cast<int>(c);
    std::string utf8;
    appendUtf8(utf8, c);
    const std::string byte = toCp1252(utf8);
    return byte != "?" ? static_cast<unsigned char>(byte[0]) : -1;
}

const char *readableSpelling(char32_t c)
{
    switch (c) {
    case U'∀': return "\\forall";
    case U'∃': return "\\exists";
    case U'□': return "[]";
    case U'◇': return "<>";
    case U'⊨': return "|=";
    case U'⊢': return "|-";
    case U'∴': return "\\therefore";
    case U'⊤': return "T";
    case U'⊥': return "\\bot";
    case U'∧': return "&";
    case U'∨': return "V";
    case U'→': return "->";
    case U'↔': return "<->";
    case U'⇒': return "=>";
    case U'⇔': return "<=>";
    case U'≡': return "<->";
    case U'≠': return "!=";
    default: return nullptr;
    }
}

std::string toReadableCp1252(std::string_view utf8)
{
    const std::u32string text = decode(utf8, Encoding::Utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        const int byte = cp1252Byte(c);
        if (byte >= 0 && !(byte >= 0x80 && byte < 0xA0 && c < 0xA0)) {
            out += static_cast<char>(byte);
            continue;
        }
        const char *spelling = readableSpelling(c);
        if (!spelling) {
            out += '?';
            continue;
        }
        out += spelling;
        // "\forall x", not "\forallx", which would read as another word.
        if (isLetterOrDigit(out.back()) && i + 1 < text.size() && isLetterOrDigit(text[i + 1]))
            out += ' ';
    }
    return out;
}

} // namespace logic
