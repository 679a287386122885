#pragma once
// The numeric keypad's decimal key, as the calculator and the display dialog both treat it:
// whatever decimal sign the keyboard layout gives it, it types ".".
#include <QEvent>
#include <QKeyEvent>

// Follows the key through a window's key presses and releases: `held` is true from the key's
// press to its release, while the character it types is to be typed as ".".
inline void TrackKeypadDecimal(const QKeyEvent& key, bool& held) {
    if (key.type() == QEvent::KeyRelease) {
        if (!key.isAutoRepeat()) held = false;
    } else if (key.modifiers().testFlag(Qt::KeypadModifier) &&
               (key.key() == Qt::Key_Period || key.key() == Qt::Key_Comma)) {
        held = true;
    }
}
