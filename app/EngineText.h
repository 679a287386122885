#pragma once
// The bytes the engine reads for a text typed into one of the program's fields.
#include <QString>

#include <string>

// The engine reads bytes and skips every character below 33 or above 125; each character of
// the field becomes one byte (one it rejects where it is not ASCII), so the engine's error
// positions count the field's characters.
inline std::string EngineText(const QString& field) {
    std::string text;
    text.reserve(static_cast<std::size_t>(field.size()));
    for (QChar ch : field) {
        const char16_t code = ch.unicode();
        text.push_back(code >= 32 && code <= 126 ? static_cast<char>(code) : '\x7f');
    }
    return text;
}
