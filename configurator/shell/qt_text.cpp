#include "shell/qt_text.h"

#include <QStringList>

namespace quillon {

QString UnrepresentableCharacters(const QString& text) {
    QString found;
    for (const char32_t character : text.toUcs4()) {
        const QString one = QString::fromUcs4(&character, 1);
        if (character != U'?' && ToModelText(one) == "?" && !found.contains(one)) {
            found += one;
        }
    }
    return found;
}

std::string UnrepresentableMessage(const QString& characters) {
    QStringList names;
    for (const char32_t character : characters.toUcs4()) {
        names.append(QStringLiteral("U+%1")
                         .arg(static_cast<uint>(character), 4, 16, QLatin1Char('0'))
                         .toUpper());
    }
    return ToCp1251("В тексте есть символы, которых нет в кодировке Windows-1251: " +
                    names.join(QStringLiteral(", ")).toStdString() + ". Текст не изменен.");
}

}  // namespace quillon
