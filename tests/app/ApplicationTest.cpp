// The application's default error display: an exception that escapes an event handler is
// shown in an error box, and the program goes on processing events.
#include "app/Application.h"
#include "engine/Errors.h"
#include "engine/StringTable.h"
#include "tests/app/ModalBoxes.h"

#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

// Runs `raise` from its event handler for every user event and counts the events it saw.
class TThrowingObject : public QObject {
public:
    explicit TThrowingObject(std::function<void()> raise) : Raise(std::move(raise)) {}
    int Seen = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++Seen;
        if (Raise) Raise();
        return true;
    }

private:
    std::function<void()> Raise;
};

QString Title() {
    return QString::fromStdString(LoadStr(Msg::ApplicationTitle));
}

struct TErrorRow {
    const char* Name;
    std::function<void()> Raise;
    QString Expected;
};

const TErrorRow ErrorRows[] = {
    {"standard exception", [] { throw std::runtime_error("disk on fire"); }, "disk on fire"},
    {"engine error keeps its message", [] { throw EEvalError(LoadStr(Msg::DivisionByZero), 3); },
     "Division by zero"},
    {"range check of an integer conversion", [] { throw EInvalidOp(); },
     "Invalid floating point operation"},
    {"integer division", [] { throw EDivByZero(); }, "Division by zero"},
    {"message with umlauts",
     [] {
         throw std::runtime_error("Fehler: Gr\xc3\xb6\xc3\x9f"
                                  "e");
     },
     QString::fromUtf8("Fehler: Gr\xc3\xb6\xc3\x9f"
                       "e")},
    {"not a standard exception", [] { throw 42; }, "An unknown error occurred."},
};

TEST(ApplicationTest, ErrorEscapingAHandlerIsShownAndTheLoopGoesOn) {
    for (const TErrorRow& row : ErrorRows) {
        SCOPED_TRACE(row.Name);
        TModalBoxAnswerer answerer;
        TThrowingObject thrower(row.Raise);
        TThrowingObject bystander(nullptr);
        QEventLoop loop;
        // The failing event, then ordinary events and the end of the loop behind it.
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&bystander, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&bystander, new QEvent(QEvent::User));
        QTimer::singleShot(0, &loop, [&loop] { loop.exit(7); });
        EXPECT_EQ(loop.exec(), 7);

        ASSERT_EQ(answerer.Boxes.size(), 1u);
        EXPECT_EQ(answerer.Boxes[0].Text, row.Expected);
        EXPECT_EQ(answerer.Boxes[0].Caption, Title());
        EXPECT_EQ(answerer.Boxes[0].Icon, QMessageBox::Critical);
        EXPECT_EQ(answerer.Boxes[0].ButtonCount, 1);
        EXPECT_EQ(thrower.Seen, 1);
        EXPECT_EQ(bystander.Seen, 2);
    }
}

struct TPathRow {
    const char* Name;
    // Makes `fail` run inside an event handler the way a user action would.
    std::function<void(const std::function<void()>& fail)> Provoke;
};

const TPathRow PathRows[] = {
    {"slot of a clicked button",
     [](const std::function<void()>& fail) {
         QPushButton button(QStringLiteral("Go"));
         QObject::connect(&button, &QPushButton::clicked, fail);
         button.show();
         QTest::mouseClick(&button, Qt::LeftButton);
     }},
    {"key press on a focused widget",
     [](const std::function<void()>& fail) {
         QPushButton button(QStringLiteral("Go"));
         QObject::connect(&button, &QPushButton::clicked, fail);
         button.show();
         QTest::keyClick(&button, Qt::Key_Space);
     }},
    {"timer slot",
     [](const std::function<void()>& fail) {
         QEventLoop loop;
         QTimer::singleShot(0, fail);
         QTimer::singleShot(0, &loop, &QEventLoop::quit);
         loop.exec();
     }},
};

TEST(ApplicationTest, ErrorsFromEveryKindOfHandlerReachTheDisplay) {
    for (const TPathRow& row : PathRows) {
        SCOPED_TRACE(row.Name);
        TModalBoxAnswerer answerer;
        int calls = 0;
        row.Provoke([&calls] {
            ++calls;
            throw std::runtime_error("handler failed");
        });
        EXPECT_EQ(calls, 1);
        ASSERT_EQ(answerer.Boxes.size(), 1u);
        EXPECT_EQ(answerer.Boxes[0].Text, QStringLiteral("handler failed"));
    }
}

TEST(ApplicationTest, ShowExceptionShowsTheTextWithTheApplicationTitle) {
    TModalBoxAnswerer answerer;
    TApplication::ShowException(EParseError(LoadStr(Msg::UnknownIdentifier), 0));
    ASSERT_EQ(answerer.Boxes.size(), 1u);
    EXPECT_EQ(answerer.Boxes[0].Text, QStringLiteral("Unknown identifier"));
    EXPECT_EQ(answerer.Boxes[0].Caption, Title());
    EXPECT_EQ(answerer.Boxes[0].ClassName, QStringLiteral("QMessageBox"));
}

struct TNestedRow {
    const char* Name;
    std::vector<const char*> FailuresWhileOpen; // errors raised while the first box is open
    std::vector<const char*> Expected;          // boxes shown, in order
};

const TNestedRow NestedRows[] = {
    {"nothing else fails", {}, {"first"}},
    {"a different error waits for the open box", {"second"}, {"first", "second"}},
    {"errors are shown in the order they arose", {"second", "third"}, {"first", "second", "third"}},
    {"the error already shown is not repeated", {"first", "first"}, {"first"}},
    {"a waiting error is not queued twice",
     {"second", "second", "third"},
     {"first", "second", "third"}},
};

// A handler that fails while an error box is open must not stack a second box on the first
// (a failing repaint would otherwise open boxes without end); its error is shown after the
// open box is closed, and the program goes on.
TEST(ApplicationTest, ErrorsWhileAnErrorBoxIsOpenAreShownAfterIt) {
    for (const TNestedRow& row : NestedRows) {
        SCOPED_TRACE(row.Name);
        bool raised = false;
        TModalBoxAnswerer answerer([&](QWidget*) {
            if (raised) return;
            raised = true;
            for (const char* text : row.FailuresWhileOpen) {
                TThrowingObject thrower([text] { throw std::runtime_error(text); });
                QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
                QCoreApplication::sendPostedEvents(&thrower);
                EXPECT_EQ(thrower.Seen, 1);
            }
        });
        TApplication::ShowErrorText(QStringLiteral("first"));
        std::vector<QString> shown;
        for (const TRecordedBox& box : answerer.Boxes) {
            shown.push_back(box.Text);
            EXPECT_FALSE(box.OverAnotherBox) << qPrintable(box.Text);
        }
        std::vector<QString> expected;
        for (const char* text : row.Expected)
            expected.push_back(QString::fromUtf8(text));
        EXPECT_EQ(shown, expected);
    }
}

} // namespace
