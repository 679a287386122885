// Start-up and shutdown of the program as far as they can be observed from outside: the
// floating-point mode, the engine's start state, the settings loaded before the calculator is
// shown, only the calculator visible, and every way of ending saving the same settings.
#include "app/Startup.h"
#include "app/Calc.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "engine/Globals.h"
#include "engine/StringTable.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <cfenv>
#if defined(Q_OS_LINUX)
#include <dlfcn.h>
#endif
#include <map>
#include <set>

namespace {

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
unsigned short ControlWord() {
    unsigned short word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void SetControlWord(unsigned short word) {
    asm volatile("fldcw %0" : : "m"(word));
}

struct TFpuRow {
    const char* Name;
    unsigned short Dirty; // every exception stays masked, so no row can trap
};

const TFpuRow FpuRows[] = {
    {"already the power-on mode", 0x037F}, {"rounding toward zero", 0x0F7F},
    {"rounding upward", 0x0B7F},           {"double precision mantissa", 0x027F},
    {"single precision mantissa", 0x007F},
};

// 1/3 to the full 64-bit mantissa, as the compiler folds it.
constexpr long double Third = 1.0L / 3.0L;

TEST(FloatingPointTest, ResetRestoresThePowerOnMode) {
    for (const TFpuRow& row : FpuRows) {
        SCOPED_TRACE(row.Name);
        SetControlWord(row.Dirty);
        ResetFloatingPoint();
        EXPECT_EQ(ControlWord(), 0x037F);
        EXPECT_EQ(std::fegetround(), FE_TONEAREST);
        volatile long double one = 1.0L;
        volatile long double three = 3.0L;
        EXPECT_EQ(one / three, Third) << "the division ran with a shortened mantissa";
        // Masked: overflow and 0/0 give values, not faults.
        volatile long double huge = 1e4000L;
        volatile long double zero = 0.0L;
        EXPECT_TRUE(std::isinf(huge * huge));
        EXPECT_TRUE(std::isnan(zero / zero));
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}
#endif

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Hemsel"),
                     QStringLiteral("Quoril"));
}

std::map<QString, QString> StoredValues() {
    QSettings store = Store();
    std::map<QString, QString> values;
    for (const QString& key : store.allKeys())
        values[key] = store.value(key).toString();
    return values;
}

// Records what the calculator's input line holds at the moment the window is first shown.
class TShowWatcher : public QObject {
public:
    bool Shown = false;
    QString LineAtShow;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !Shown && Calc && watched == Calc) {
            Shown = true;
            LineAtShow = Calc->EditLine->text();
        }
        return false;
    }
};

// The caption the window system shows for a title. Qt's window-system layers (X11, Wayland,
// Windows) pass every title through QPlatformWindow::formatWindowTitle, which appends the
// application's display name; the offscreen platform shows nothing. QtGui exports the function
// but declares it only in its private headers, so it is found by its symbol: the test asks Qt
// itself rather than repeating its rule.
QString ShownCaption(const QString& title) {
#if defined(Q_OS_LINUX)
    using TFormat = QString (*)(const QString&, const QString&);
    static const auto format = reinterpret_cast<TFormat>(
        dlsym(RTLD_DEFAULT, "_ZN15QPlatformWindow17formatWindowTitleERK7QStringS2_"));
    if (format) return format(title, QString::fromUtf8(" \xE2\x80\x94 ")); // as on X11
    ADD_FAILURE() << "Qt's caption formatting was not found";
#endif
    // Elsewhere the symbol's name differs; the caption is then checked as the window holds it.
    return title;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override {
        QSettings store = Store();
        store.clear();
        store.sync();
    }
    void TearDown() override {
        if (Calc) EndProgram();
        QSettings store = Store();
        store.clear();
        store.sync();
        SetShowHints(true);
        SetHintPause(500);
    }

    static std::set<QWidget*> VisibleWindows() {
        std::set<QWidget*> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) windows.insert(w);
        return windows;
    }
};

struct TStartRow {
    const char* Name;
    std::map<const char*, const char*> Stored; // "Section/Entry" -> text
    int AngleUnitAfter;
    const char* LineAfter;
};

const TStartRow StartRows[] = {
    {"first start without settings", {}, AngleRadians, ""},
    {"saved line and degrees",
     {{"Status/AktExpression", "7*6"}, {"Options/Winkeleinheit", "0"}},
     AngleDegrees,
     "7*6"},
    {"saved grads", {{"Options/Winkeleinheit", "2"}}, AngleGrads, ""},
};

TEST_F(StartupTest, StartShowsOnlyTheCalculatorWithItsSettingsLoaded) {
    for (const TStartRow& row : StartRows) {
        SCOPED_TRACE(row.Name);
        {
            QSettings store = Store();
            store.clear();
            for (const auto& [key, text] : row.Stored)
                store.setValue(QString::fromLatin1(key), QString::fromUtf8(text));
            store.sync();
        }
        // Leftovers of an earlier run that start-up must reset.
        AngleUnit = row.Stored.count("Options/Winkeleinheit") ? AngleRadians : AngleGrads;
        SecondFn = true;
        HypMode = true;
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
        SetControlWord(0x007F);
#endif
        TShowWatcher watcher;
        qApp->installEventFilter(&watcher);
        const std::set<QWidget*> before = VisibleWindows();

        StartProgram(*qApp);
        qApp->removeEventFilter(&watcher);

        ASSERT_NE(Calc, nullptr);
        EXPECT_TRUE(watcher.Shown);
        EXPECT_EQ(watcher.LineAtShow, QString::fromUtf8(row.LineAfter))
            << "settings must be loaded before the window is shown";
        EXPECT_EQ(AngleUnit, row.AngleUnitAfter);
        EXPECT_FALSE(SecondFn);
        EXPECT_FALSE(HypMode);
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
        EXPECT_EQ(ControlWord(), 0x037F);
#endif
        EXPECT_EQ(ShownCaption(Calc->windowTitle()),
                  QString::fromStdString(LoadStr(Msg::ApplicationTitle)));

        std::set<QWidget*> opened;
        for (QWidget* w : VisibleWindows())
            if (!before.count(w)) opened.insert(w);
        EXPECT_EQ(opened, std::set<QWidget*>{Calc});
        EXPECT_TRUE(Calc->isWindow());
        EXPECT_FALSE(Calc->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));

        EndProgram();
        EXPECT_EQ(Calc, nullptr);
    }
}

TEST_F(StartupTest, F1InTheCalculatorOpensItsHelpTopic) {
    StartProgram(*qApp);
    QTest::keyClick(Calc->EditLine, Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    auto* browser = HelpWindow()->findChild<QTextBrowser*>(QStringLiteral("Browser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("calculator.html"));
}

TEST_F(StartupTest, ShutdownClosesHelpSwitchesHintsOffAndSavesTheLine) {
    StartProgram(*qApp);
    Calc->EditLine->setText(QStringLiteral("2*PI"));
    SetShowHints(true);
    HelpContents();
    ASSERT_NE(HelpWindow(), nullptr);

    EndProgram();
    EXPECT_EQ(Calc, nullptr);
    EXPECT_EQ(HelpWindow(), nullptr);
    EXPECT_FALSE(ShowHints());
    const auto stored = StoredValues();
    ASSERT_TRUE(stored.count(QStringLiteral("Status/AktExpression")));
    EXPECT_EQ(stored.at(QStringLiteral("Status/AktExpression")), QStringLiteral("2*PI"));
}

struct TEndRow {
    const char* Name;
    void (*End)();
};

const TEndRow EndRows[] = {
    {"Off key", [] { Calc->BtnAus->click(); }},
    {"closing the calculator window", [] { Calc->close(); }},
};

// Both ways of ending run the message loop out and save the same settings; the program's
// other windows (here the help) do not keep it running.
TEST_F(StartupTest, OffAndClosingTheWindowSaveTheSameSettings) {
    std::vector<std::map<QString, QString>> saved;
    for (const TEndRow& row : EndRows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        StartProgram(*qApp);
        Calc->EditLine->setText(QStringLiteral("1+2"));
        Calc->BtnEval->click();
        Calc->EditLine->setText(QStringLiteral("A*3"));
        HelpContents();
        QTimer::singleShot(0, row.End);
        // A loop that would not end is reported instead of hanging the test run.
        QTimer guard;
        guard.setSingleShot(true);
        bool guardFired = false;
        QObject::connect(&guard, &QTimer::timeout, [&guardFired] {
            guardFired = true;
            QCoreApplication::exit(1);
        });
        guard.start(10000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_FALSE(guardFired);
        EndProgram();
        saved.push_back(StoredValues());
        EXPECT_EQ(saved.back()[QStringLiteral("Status/AktExpression")], QStringLiteral("A*3"));
        EXPECT_EQ(saved.back()[QStringLiteral("Status/OldExpression")], QStringLiteral("1+2"));
    }
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0], saved[1]);
}

} // namespace
