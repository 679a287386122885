#pragma once
// The display window's tool-bar pictures, drawn by the program itself at the normal and the
// doubled pixel density, each in a normal and a greyed (disabled) form.
#include <QIcon>

// Logical size of a glyph inside its 20 x 20 button.
inline constexpr int GlyphSize = 16;

QIcon CopyGlyph();     // two overlapping pages
QIcon KoordWinGlyph(); // a small window with a cross-hair and a read-out line
QIcon ZoomGlyph();     // a magnifying glass over a dotted frame
