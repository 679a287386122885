// User text made fit for an SVG document: markup escaped, what XML cannot hold replaced, and
// everything else, non-ASCII text included, kept as it is.
#include "plot/SvgText.h"

#include <gtest/gtest.h>

namespace {

struct TSvgTextRow {
    const char* Name;
    QString Text;
    QString Safe;    // XmlSafeText
    QString Escaped; // SvgEscaped
};

const QChar Replacement = QChar::ReplacementCharacter;

const TSvgTextRow SvgTextRows[] = {
    {"Markup", "A<B & C>D", "A<B & C>D", "A&lt;B &amp; C&gt;D"},
    {"Quotes", "say \"hi\" it's", "say \"hi\" it's", "say &quot;hi&quot; it&apos;s"},
    {"EntityIsTextToo", "&amp;", "&amp;", "&amp;amp;"},
    {"NonAsciiKept", QString::fromUtf8("Größe π ∑"), QString::fromUtf8("Größe π ∑"),
     QString::fromUtf8("Größe π ∑")},
    {"SurrogatePairKept", QString::fromUtf8("x𝑥y"), QString::fromUtf8("x𝑥y"),
     QString::fromUtf8("x𝑥y")},
    {"TabAndLineBreaksKept", "a\tb\nc\rd", "a\tb\nc\rd", "a\tb\nc\rd"},
    {"ControlCharactersReplaced", QString("A") + QChar(1) + "B" + QChar(0x1B),
     QString("A") + Replacement + "B" + Replacement,
     QString("A") + Replacement + "B" + Replacement},
    {"LoneSurrogateReplaced", QString("a") + QChar(0xD835) + "<", QString("a") + Replacement + "<",
     QString("a") + Replacement + "&lt;"},
    {"NonCharacterReplaced", QString("a") + QChar(0xFFFF), QString("a") + Replacement,
     QString("a") + Replacement},
    {"Empty", "", "", ""},
};

TEST(SvgText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
    for (const TSvgTextRow& row : SvgTextRows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(XmlSafeText(row.Text).toStdString(), row.Safe.toStdString());
        EXPECT_EQ(SvgEscaped(row.Text).toStdString(), row.Escaped.toStdString());
    }
}

} // namespace
