// Windows-1251 bytes of the model to and from the texts the widgets show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "settings/cp1251.h"

namespace quillon {

inline QString ToQString(std::string_view cp1251) {
    return QString::fromStdString(FromCp1251(cp1251));
}

// A character without a Windows-1251 form becomes '?'.
inline std::string ToModelText(const QString& text) {
    return ToCp1251(text.toStdString());
}

// The characters of text that Windows-1251 cannot hold, each once, in order of appearance.
QString UnrepresentableCharacters(const QString& text);

// The message that refuses such characters, naming each by its code point (the message
// itself is Windows-1251, so it cannot show them).
std::string UnrepresentableMessage(const QString& characters);

}  // namespace quillon
