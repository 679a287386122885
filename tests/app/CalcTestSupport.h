#pragma once
// Helpers for driving the real calculator window as a user would: keys clicked with the
// mouse, text typed into the line, modal boxes closed and recorded.
#include "app/Calc.h"
#include "app/Hints.h"
#include "engine/Globals.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QSettings>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace calctest {

inline QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Hemsel"),
                     QStringLiteral("Quoril"));
}

// Empties the settings store and puts the program-wide state back to a fresh start.
inline void FreshStart() {
    {
        QSettings store = Store();
        store.clear();
        store.sync();
    }
    AngleUnit = AngleRadians;
    NumBase = BaseDecimal;
    Memory.fill(0);
    SecondFn = false;
    HypMode = false;
    SetShowHints(false);
    SetHintPause(500);
}

// Closes every modal window that opens while it lives and records its text (a message box)
// or its caption (any other dialog).
class TModalCloser {
public:
    TModalCloser() {
        Timer.setInterval(0);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            Captions << modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                Texts << box->text();
                box->buttons().front()->click();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                Texts << QString();
                dialog->reject();
            } else {
                modal->close();
            }
        });
        Timer.start();
    }

    QStringList Texts;
    QStringList Captions;

private:
    QTimer Timer;
};

// A calculator window, shown and active, made after a fresh start unless told otherwise.
inline std::unique_ptr<TCalc> MakeCalc(bool fresh = true) {
    if (fresh) FreshStart();
    auto calc = std::make_unique<TCalc>();
    calc->show();
    QApplication::setActiveWindow(calc.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(calc.get()));
    return calc;
}

inline QPushButton* Key(TCalc& calc, const QString& name) {
    return calc.findChild<QPushButton*>(name);
}

inline void Click(TCalc& calc, const QString& name) {
    QPushButton* key = Key(calc, name);
    ASSERT_NE(key, nullptr) << name.toStdString();
    QTest::mouseClick(key, Qt::LeftButton);
}

// Types the text into the widget one key at a time; characters beyond ASCII come as the keys
// of a keyboard layout that has them.
inline void Type(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
        if (ch.unicode() >= 32 && ch.unicode() < 127)
            QTest::keyClick(widget, static_cast<char>(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(ch.toUpper().unicode()),
                                QString(ch), Qt::NoModifier);
    }
}

// Runs one step of a script:
//   "BtnXyz"        click that key
//   "<Ctrl+C>"      press that key combination where the focus is, usually the line (any
//                   QKeySequence text)
//   "<KeypadComma>" the numeric keypad's decimal key under a comma layout
//   "@Name"         trigger the context-menu item of that name
//   "im:text"       text committed by an input method (a dead key, a compose sequence)
//   "preedit:text"  text an input method is still composing, nothing committed
//   anything else   typed into the line
inline void Step(TCalc& calc, const QString& step) {
    if (step.startsWith(u"Btn")) {
        Click(calc, step);
    } else if (step == u"<KeypadComma>") {
        QTest::keyClick(calc.EditLine, ',', Qt::KeypadModifier);
    } else if (step.size() > 2 && step.startsWith(u'<') && step.endsWith(u'>')) {
        const QKeySequence sequence = QKeySequence::fromString(step.mid(1, step.size() - 2));
        ASSERT_EQ(sequence.count(), 1) << step.toStdString();
        const QKeyCombination combination = sequence[0];
        // An underlined letter presses its key at once: the next step follows without a pause.
        // The key goes where the keyboard focus is (after Tab, a key of the keypad).
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() != &calc) focus = calc.EditLine;
        QTest::keyClick(focus, combination.key(), combination.keyboardModifiers());
    } else if (step.startsWith(u"im:") || step.startsWith(u"preedit:")) {
        const bool commit = step.startsWith(u"im:");
        const QString text = step.mid(step.indexOf(u':') + 1);
        QInputMethodEvent event(commit ? QString() : text, {});
        if (commit) event.setCommitString(text);
        QCoreApplication::sendEvent(calc.EditLine, &event);
    } else if (step.startsWith(u'@')) {
        auto* action = calc.findChild<QAction*>(step.mid(1));
        ASSERT_NE(action, nullptr) << step.toStdString();
        action->trigger();
    } else {
        Type(calc.EditLine, step);
    }
}

inline void RunSteps(TCalc& calc, std::initializer_list<const char*> steps) {
    for (const char* step : steps)
        Step(calc, QString::fromUtf8(step));
}

inline std::string Line(const TCalc& calc) {
    return calc.EditLine->text().toStdString();
}

} // namespace calctest
