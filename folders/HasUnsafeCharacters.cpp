#include "folders/HasUnsafeCharacters.h"

#include <QStringDecoder>

namespace pv {

bool HasUnsafeCharacters(QByteArrayView nativeName) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(nativeName);
    return decoder.hasError() || HasUnsafeCharacters(decoded);
}

bool HasUnsafeCharacters(const QString& name) {
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code < 32 || (code >= 127 && code <= 159) || code == u'?')
            return true;
    }
    return false;
}

}  // namespace pv
