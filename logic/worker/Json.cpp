#include "Json.h"

#include <cstdio>

namespace logic {

void JsonWriter::key(std::string_view k)
{
    if (!m_first)
        m_out += ',';
    m_first = false;
    if (!k.empty()) {
        string(k);
        m_out += ':';
    }
}

void JsonWriter::string(std::string_view s)
{
    m_out += '"';
    for (const char c : s) {
        switch (c) {
        case '"': m_out += "\\\""; break;
        case '\\': m_out += "\\\\"; break;
        case '\n': m_out += "\\n"; break;
        case '\r': m_out += "\\r"; break;
        case '\t': m_out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                m_out += buf;
            } else {
                m_out += c; // UTF-8 passes as it is; the reader checked it
            }
        }
    }
    m_out += '"';
}

JsonWriter &JsonWriter::open(std::string_view k, char bracket)
{
    key(k);
    m_out += bracket;
    m_first = true;
    return *this;
}

JsonWriter &JsonWriter::close(char bracket)
{
    m_out += bracket;
    m_first = false;
    return *this;
}

JsonWriter &JsonWriter::field(std::string_view k, std::string_view v)
{
    key(k);
    string(v);
    return *this;
}

JsonWriter &JsonWriter::field(std::string_view k, bool v)
{
    key(k);
    m_out += v ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::field(std::string_view k, int v)
{
    key(k);
    m_out += std::to_string(v);
    return *this;
}

JsonWriter &JsonWriter::field(std::string_view k, double v)
{
    key(k);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    m_out += buf;
    return *this;
}

JsonWriter &JsonWriter::value(int v)
{
    key({});
    m_out += std::to_string(v);
    return *this;
}

JsonWriter &JsonWriter::value(std::string_view v)
{
    key({});
    string(v);
    return *this;
}

} // namespace logic
