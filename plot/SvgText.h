#pragma once
// User text on its way into an SVG document (the exported picture, the clipboard copy): what
// XML cannot carry is replaced, and markup characters are escaped where we write the text
// into the document ourselves.
#include <QString>

// The text with every character XML 1.0 cannot hold (control characters other than tab, line
// feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF) replaced by U+FFFD. Enough
// for text that the SVG generator escapes itself, such as text drawn through a painter.
QString XmlSafeText(const QString& text);

// XmlSafeText, with "&", "<", ">", '"' and "'" written as entities: for text placed into the
// document as it stands, such as the document title.
QString SvgEscaped(const QString& text);
