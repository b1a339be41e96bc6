#pragma once
// Just enough JSON for the worker's answers: objects written field by field, strings escaped.

#include <string>
#include <string_view>

namespace logic {

class JsonWriter
{
public:
    JsonWriter &begin(std::string_view key = {}) { return open(key, '{'); }
    JsonWriter &end() { return close('}'); }
    JsonWriter &beginArray(std::string_view key = {}) { return open(key, '['); }
    JsonWriter &endArray() { return close(']'); }
    JsonWriter &field(std::string_view key, std::string_view value);
    JsonWriter &field(std::string_view key, const char *value)
    {
        return field(key, std::string_view(value));
    }
    JsonWriter &field(std::string_view key, bool value);
    JsonWriter &field(std::string_view key, int value);
    JsonWriter &field(std::string_view key, double value);
    /// An element of the open array.
    JsonWriter &value(int v);
    JsonWriter &value(std::string_view v);
    const std::string &text() const { return m_out; }
    std::string take() { return std::move(m_out); }

private:
    JsonWriter &open(std::string_view key, char bracket);
    JsonWriter &close(char bracket);
    void key(std::string_view k);
    void string(std::string_view s);

    std::string m_out;
    bool m_first = true;
};

} // namespace logic
