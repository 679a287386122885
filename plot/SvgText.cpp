#include "plot/SvgText.h"

namespace {

bool XmlCanHold(char32_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

QString XmlSafeText(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            safe += c;
            safe += text[++i];
        } else if (c.isSurrogate() || !XmlCanHold(c.unicode())) {
            safe += QChar::ReplacementCharacter;
        } else {
            safe += c;
        }
    }
    return safe;
}

QString SvgEscaped(const QString& text) {
    QString escaped;
    const QString safe = XmlSafeText(text);
    escaped.reserve(safe.size());
    for (const QChar c : safe) {
        switch (c.unicode()) {
        case '&':
            escaped += QLatin1String("&amp;");
            break;
        case '<':
            escaped += QLatin1String("&lt;");
            break;
        case '>':
            escaped += QLatin1String("&gt;");
            break;
        case '"':
            escaped += QLatin1String("&quot;");
            break;
        case '\'':
            escaped += QLatin1String("&apos;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
