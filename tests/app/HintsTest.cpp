// The application-wide hint switch and pause: tool tips appear only while hints are on, and
// only after the mouse has rested on a widget for the hint pause.
#include "app/Hints.h"
#include "tests/app/ModalBoxes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A window with two keys that have hints and one that has none.
class THintWindow : public QWidget {
public:
    THintWindow() {
        auto* layout = new QHBoxLayout(this);
        for (QPushButton** key : {&Sine, &Cosine, &Plain}) {
            *key = new QPushButton(QStringLiteral("Key"), this);
            (*key)->setMinimumSize(60, 30);
            layout->addWidget(*key);
        }
        Sine->setToolTip(QStringLiteral("Sine"));
        Cosine->setToolTip(QStringLiteral("Cosine"));
        show();
        activateWindow();
        QApplication::setActiveWindow(this);
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }

    QPushButton* Sine = nullptr;
    QPushButton* Cosine = nullptr;
    QPushButton* Plain = nullptr;
};

// Restores the switch and the pause every test starts from.
class HintsTest : public testing::Test {
protected:
    void SetUp() override {
        InstallHintFilter(*qApp);
        SetShowHints(true);
        SetHintPause(500);
        QToolTip::hideText();
    }
    void TearDown() override {
        QToolTip::hideText();
        SetShowHints(true);
        SetHintPause(500);
    }

    // Moves the mouse onto the middle of `key`, coming from its window's corner so that the
    // move is a real one even when the mouse was there before.
    static void RestOn(QWidget* key) {
        QTest::mouseMove(key->window(), QPoint(1, 1));
        QTest::mouseMove(key, key->rect().center());
    }

    // Rests on `key` again with no pause, so the hint comes due at once, and delivers it.
    static void RestWithoutPause(QWidget* key) {
        const int pause = HintPause();
        SetHintPause(0);
        RestOn(key);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        SetHintPause(pause);
    }
};

struct TRestRow {
    const char* Name;
    bool HintsOn;
    int Pause;
    QPushButton* THintWindow::*Key;
    int ExpectedDelay;       // -1: no hint pending
    const char* ExpectedTip; // nullptr: no tip appears
};

const TRestRow RestRows[] = {
    {"hints on, the start pause", true, 500, &THintWindow::Sine, 500, "Sine"},
    {"hints on, the pause after Show hints", true, 1000, &THintWindow::Cosine, 1000, "Cosine"},
    {"a key without a hint shows nothing", true, 500, &THintWindow::Plain, 500, nullptr},
    {"hints off", false, 500, &THintWindow::Sine, -1, nullptr},
    {"hints off with the long pause", false, 1000, &THintWindow::Cosine, -1, nullptr},
};

TEST_F(HintsTest, MouseRestingOnAKeyShowsItsHintAfterThePause) {
    for (const TRestRow& row : RestRows) {
        SCOPED_TRACE(row.Name);
        QToolTip::hideText();
        SetShowHints(row.HintsOn);
        SetHintPause(row.Pause);
        THintWindow window;
        QPushButton* key = window.*row.Key;
        RestOn(key);
        EXPECT_EQ(PendingHintDelay(), row.ExpectedDelay);
        // Nothing appears before the pause has run out.
        EXPECT_FALSE(QToolTip::isVisible());
        RestWithoutPause(key);
        if (row.ExpectedTip) {
            EXPECT_TRUE(QToolTip::isVisible());
            EXPECT_EQ(QToolTip::text(), QString::fromUtf8(row.ExpectedTip));
        } else {
            EXPECT_FALSE(QToolTip::isVisible());
        }
    }
}

// Qt's own tool-tip events come after Qt's own delay; they must not show a hint, neither
// while hints are off nor while they are on (the hint pause decides then).
TEST_F(HintsTest, ToolTipEventsOfQtAreSwallowed) {
    for (bool on : {false, true}) {
        SCOPED_TRACE(on ? "hints on" : "hints off");
        SetShowHints(on);
        THintWindow window;
        const QPoint centre = window.Sine->rect().center();
        QHelpEvent help(QEvent::ToolTip, centre, window.Sine->mapToGlobal(centre));
        QApplication::sendEvent(window.Sine, &help);
        EXPECT_FALSE(QToolTip::isVisible());
    }
}

TEST_F(HintsTest, SwitchingHintsOffHidesTheVisibleHintAndCancelsThePendingOne) {
    THintWindow window;
    RestWithoutPause(window.Sine);
    ASSERT_TRUE(QToolTip::isVisible());
    QTest::mouseMove(window.Cosine, window.Cosine->rect().center());
    ASSERT_GE(PendingHintDelay(), 0);

    SetShowHints(false);
    EXPECT_FALSE(ShowHints());
    EXPECT_EQ(PendingHintDelay(), -1);
    QTRY_VERIFY(!QToolTip::isVisible());
}

struct TCancelRow {
    const char* Name;
    void (*Act)(QWidget* key);
};

const TCancelRow CancelRows[] = {
    {"mouse button pressed", [](QWidget* key) { QTest::mousePress(key, Qt::LeftButton); }},
    {"key pressed", [](QWidget* key) { QTest::keyPress(key, Qt::Key_A); }},
};

TEST_F(HintsTest, PressingAButtonOrKeyCancelsThePendingHint) {
    for (const TCancelRow& row : CancelRows) {
        SCOPED_TRACE(row.Name);
        THintWindow window;
        RestOn(window.Sine);
        ASSERT_EQ(PendingHintDelay(), 500);
        row.Act(window.Sine);
        EXPECT_EQ(PendingHintDelay(), -1);
        QTest::mouseRelease(window.Sine, Qt::LeftButton);
        QTest::keyRelease(window.Sine, Qt::Key_A);
    }
}

// Moving on from one visible hint to the next key shows the next hint almost at once, not
// after a full pause.
TEST_F(HintsTest, NextHintFollowsQuicklyWhileAHintIsVisible) {
    SetHintPause(1000);
    THintWindow window;
    RestWithoutPause(window.Sine);
    ASSERT_TRUE(QToolTip::isVisible());
    QTest::mouseMove(window.Cosine, window.Cosine->rect().center());
    EXPECT_LT(PendingHintDelay(), 100);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Cosine"));
}

// A key whose own tool-tip handling fails.
class TFailingTipKey : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) throw std::runtime_error("tip failed");
        return QPushButton::event(event);
    }
};

// The failure is shown like any other, and hints keep their timing afterwards: Qt's own
// tool-tip events are still held back and the next key's hint still appears.
TEST_F(HintsTest, AFailingHintLeavesTheHintsWorking) {
    THintWindow window;
    auto* failing = new TFailingTipKey(QStringLiteral("Bad"), &window);
    failing->setToolTip(QStringLiteral("Bad"));
    window.layout()->addWidget(failing);
    QCoreApplication::processEvents();
    {
        TModalBoxAnswerer answerer;
        RestWithoutPause(failing);
        QTRY_COMPARE(answerer.Boxes.size(), 1u);
        EXPECT_EQ(answerer.Boxes[0].Text, QStringLiteral("tip failed"));
    }
    // The error box took the activation; hints show in the active window only.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QPoint centre = window.Sine->rect().center();
    QHelpEvent help(QEvent::ToolTip, centre, window.Sine->mapToGlobal(centre));
    QApplication::sendEvent(window.Sine, &help);
    EXPECT_FALSE(QToolTip::isVisible());
    RestWithoutPause(window.Cosine);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Cosine"));
}

TEST_F(HintsTest, NegativePauseCountsAsNoPause) {
    SetHintPause(-5);
    EXPECT_EQ(HintPause(), 0);
}

} // namespace
