// One JSON object of the commands' --json output, built field by field.
#pragma once
#include <string>

#include "host/corvane/csv.h"

namespace corvane {

class JsonObject {
public:
    // A value already in JSON (a number, an array, an object, null).
    JsonObject& Raw(const char* name, const std::string& json)
    {
        m_text += m_text.size() > 1 ? ", \"" : "\"";
        m_text += name;
        m_text += "\": ";
        m_text += json;
        return *this;
    }
    JsonObject& Text(const char* name, const std::string& utf8) { return Raw(name, JsonString(utf8)); }
    JsonObject& Number(const char* name, long long value) { return Raw(name, std::to_string(value)); }
    JsonObject& Flag(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
    std::string Close() const { return m_text + "}"; }

private:
    std::string m_text = "{";
};

// Appends one element to a JSON array being built ("[" + elements + "]").
inline void AppendElement(std::string& elements, const std::string& json)
{
    if (!elements.empty())
        elements += ", ";
    elements += json;
}

} // namespace corvane
