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
    // Qt's HTML escaping covers everything but the apostrophe, which XML attributes need too.
    return XmlSafeText(text).toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&apos;"));
}
