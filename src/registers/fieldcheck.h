#pragma once
#include <QString>
#include <optional>

// What a register or site column can hold, checked before a statement
// writes a box's text into it: its width in characters, the characters of
// its character set (cp1250) and, for a number column, a number written with
// the decimal comma. A failure is a Hungarian message naming the box by its
// label; nothing reaches the server.
namespace FieldCheck {

struct Column {
    QString label;   // as the operator sees it ("Adószám"); a trailing colon is dropped
    int width = 0;   // characters; 0: no text column (a number)
    bool number = false;   // read as a number with the decimal comma; blank is 0
};

// The message for a text that does not fit its column; nothing when it fits.
std::optional<QString> check(const Column& column, const QString& text);

// The first character of `text` that cp1250 cannot hold (a character
// outside the Basic Multilingual Plane is returned whole); empty when every
// character can be stored.
QString firstUnstorable(const QString& text);

// Whether cp1250 holds the character.
bool inCp1250(char32_t c);

}   // namespace FieldCheck
