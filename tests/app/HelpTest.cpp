// The help window: contents list, full-text search, help contexts, F1 and closing.
#include "app/Help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <set>

namespace {

QString PageFile(const QUrl& url) {
    return url.fileName();
}

template <class T> T* Child(const char* name) {
    QWidget* window = HelpWindow();
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

QString ShownPage() {
    return PageFile(Child<QTextBrowser>("Browser")->source());
}

// Every help page in the resources with its <title>, read independently of the window.
std::map<QString, QString> PagesOnDisk() {
    InstallHelp(*qApp);
    std::map<QString, QString> pages;
    for (const QString& file :
         QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")})) {
        QFile page(QStringLiteral(":/help/") + file);
        EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << qPrintable(file);
        const QString html = QString::fromUtf8(page.readAll());
        const auto match = QRegularExpression(QStringLiteral("<title>([^<]*)</title>")).match(html);
        pages[file] = match.captured(1);
    }
    return pages;
}

class HelpTest : public testing::Test {
protected:
    void TearDown() override { HelpQuit(); }
};

TEST_F(HelpTest, ContentsListEveryPageOnceWithItsTitle) {
    const auto pages = PagesOnDisk();
    ASSERT_GE(pages.size(), 10u);
    HelpContents();
    auto* contents = Child<QListWidget>("ContentsList");
    ASSERT_NE(contents, nullptr);
    ASSERT_EQ(contents->count(), static_cast<int>(pages.size()));

    std::set<QString> listed;
    for (int row = 0; row < contents->count(); ++row) {
        contents->setCurrentRow(row);
        const QString file = ShownPage();
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(pages.count(file));
        EXPECT_FALSE(pages.at(file).isEmpty());
        EXPECT_EQ(contents->item(row)->text(), pages.at(file));
        EXPECT_TRUE(listed.insert(file).second) << "listed twice";
    }
}

// Every link between the pages leads to a page that exists.
TEST_F(HelpTest, LinksBetweenPagesLeadToPages) {
    const auto pages = PagesOnDisk();
    int links = 0;
    for (const auto& [file, title] : pages) {
        QFile page(QStringLiteral(":/help/") + file);
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        auto it = QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).globalMatch(html);
        while (it.hasNext()) {
            const QString target = it.next().captured(1);
            SCOPED_TRACE((file + QStringLiteral(" -> ") + target).toStdString());
            EXPECT_TRUE(pages.count(target));
            ++links;
        }
    }
    EXPECT_GT(links, 20);
}

struct TContextRow {
    const char* Name;
    int Context;
    const char* Page;
};

const TContextRow ContextRows[] = {
    {"calculator", HelpTopic::Calculator, "calculator.html"},
    {"display-parameter dialog", HelpTopic::DisplayParameters, "parameters.html"},
    {"no context opens the contents", 0, "contents.html"},
    {"unknown context opens the contents", 99, "contents.html"},
    {"negative context opens the contents", -1, "contents.html"},
};

TEST_F(HelpTest, HelpContextOpensTheTopicOfTheContext) {
    for (const TContextRow& row : ContextRows) {
        SCOPED_TRACE(row.Name);
        HelpContext(row.Context);
        ASSERT_NE(HelpWindow(), nullptr);
        EXPECT_TRUE(HelpWindow()->isVisible());
        EXPECT_EQ(ShownPage(), QString::fromLatin1(row.Page));
        // The contents list follows the page shown.
        EXPECT_EQ(Child<QListWidget>("ContentsList")->currentItem()->text(),
                  Child<QTextBrowser>("Browser")->documentTitle());
    }
}

TEST_F(HelpTest, HelpContentsShowsTheContentsPageWithTheSearchFieldFocused) {
    HelpContext(HelpTopic::Calculator);
    HelpContents();
    EXPECT_EQ(ShownPage(), QStringLiteral("contents.html"));
    EXPECT_EQ(HelpWindow()->focusWidget(), Child<QLineEdit>("SearchEdit"));
}

struct TSearchRow {
    const char* Name;
    const char* Words;
    std::vector<const char*> MustFind;    // titles among the hits
    std::vector<const char*> MustNotFind; // titles not among the hits
};

const TSearchRow SearchRows[] = {
    {"operator word", "KOMB", {"Operators", "Entering expressions"}, {"The plot window"}},
    {"search ignores case", "komb", {"Operators"}, {"The plot window"}},
    {"plotter word", "decades", {"The Display dialog"}, {"Functions", "Operators"}},
    {"every word must occur", "wheel decades", {"The plot window"}, {"The Display dialog"}},
    {"message text", "Constant storage expected", {"Error messages"}, {"Functions"}},
    {"memory J with POL",
     "POL memory J",
     {"Operators", "Memories, the variable X and statements"},
     {"Display modes"}},
};

TEST_F(HelpTest, SearchListsTheTopicsContainingEveryWord) {
    HelpContents();
    auto* search = Child<QLineEdit>("SearchEdit");
    auto* hits = Child<QListWidget>("HitList");
    ASSERT_NE(search, nullptr);
    ASSERT_NE(hits, nullptr);
    for (const TSearchRow& row : SearchRows) {
        SCOPED_TRACE(row.Name);
        search->clear();
        QTest::keyClicks(search, QString::fromUtf8(row.Words));
        std::set<QString> found;
        for (int i = 0; i < hits->count(); ++i)
            found.insert(hits->item(i)->text().section(QStringLiteral(" ("), 0, 0));
        for (const char* title : row.MustFind)
            EXPECT_TRUE(found.count(QString::fromUtf8(title))) << title;
        for (const char* title : row.MustNotFind)
            EXPECT_FALSE(found.count(QString::fromUtf8(title))) << title;
    }
}

TEST_F(HelpTest, SearchWithoutHitsSaysSoAndOpensNothing) {
    HelpContext(HelpTopic::Calculator);
    auto* search = Child<QLineEdit>("SearchEdit");
    auto* hits = Child<QListWidget>("HitList");
    QTest::keyClicks(search, QStringLiteral("xylophone"));
    ASSERT_EQ(hits->count(), 1);
    EXPECT_FALSE(hits->item(0)->flags() & Qt::ItemIsEnabled);
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {},
                      hits->visualItemRect(hits->item(0)).center());
    EXPECT_EQ(ShownPage(), QStringLiteral("calculator.html"));

    search->clear();
    EXPECT_EQ(hits->count(), 0);
}

TEST_F(HelpTest, ClickingAHitOpensItsTopicAtTheWord) {
    HelpContents();
    auto* search = Child<QLineEdit>("SearchEdit");
    auto* hits = Child<QListWidget>("HitList");
    auto* browser = Child<QTextBrowser>("Browser");
    QTest::keyClicks(search, QStringLiteral("Tickmarks"));
    ASSERT_GE(hits->count(), 1);
    const QListWidgetItem* hit = hits->item(0);
    hits->scrollToItem(hit);
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hit).center());
    EXPECT_EQ(hit->text().section(QStringLiteral(" ("), 0, 0), browser->documentTitle());
    EXPECT_EQ(browser->textCursor().selectedText().toLower(), QStringLiteral("tickmarks"));
}

TEST_F(HelpTest, FollowingALinkMovesTheContentsList) {
    HelpContents();
    auto* browser = Child<QTextBrowser>("Browser");
    browser->setSource(QUrl(QStringLiteral("errors.html")));
    EXPECT_EQ(ShownPage(), QStringLiteral("errors.html"));
    EXPECT_EQ(Child<QListWidget>("ContentsList")->currentItem()->text(),
              QStringLiteral("Error messages"));
}

struct TKeyRow {
    const char* Name;
    int WindowContext; // 0: the window has none
    Qt::KeyboardModifiers Modifiers;
    const char* Page; // nullptr: help stays closed
};

const TKeyRow KeyRows[] = {
    {"F1 in the calculator", HelpTopic::Calculator, Qt::NoModifier, "calculator.html"},
    {"F1 in the dialog", HelpTopic::DisplayParameters, Qt::NoModifier, "parameters.html"},
    {"F1 in a window without context", 0, Qt::NoModifier, "contents.html"},
    {"Shift+F1 is not help", HelpTopic::Calculator, Qt::ShiftModifier, nullptr},
};

TEST_F(HelpTest, F1OpensTheHelpContextOfTheWindow) {
    InstallHelp(*qApp);
    for (const TKeyRow& row : KeyRows) {
        SCOPED_TRACE(row.Name);
        HelpQuit();
        QWidget window;
        auto* edit = new QLineEdit(&window);
        if (row.WindowContext != 0) SetHelpContext(&window, row.WindowContext);
        window.show();
        QTest::keyClick(edit, Qt::Key_F1, row.Modifiers);
        if (row.Page) {
            ASSERT_NE(HelpWindow(), nullptr);
            EXPECT_TRUE(HelpWindow()->isVisible());
            EXPECT_EQ(ShownPage(), QString::fromLatin1(row.Page));
        } else {
            EXPECT_EQ(HelpWindow(), nullptr);
        }
    }
}

// However small the screen, the help window opens wholly on it.
TEST_F(HelpTest, HelpWindowOpensWithinTheScreen) {
    HelpContents();
    QWidget* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    const QRect free = window->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(window->frameGeometry()))
        << window->frameGeometry().width() << "x" << window->frameGeometry().height() << " on "
        << free.width() << "x" << free.height();
}

TEST_F(HelpTest, HelpQuitClosesTheWindowAndMayBeCalledAgain) {
    HelpQuit();
    EXPECT_EQ(HelpWindow(), nullptr);
    HelpContents();
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_FALSE(HelpWindow()->testAttribute(Qt::WA_QuitOnClose))
        << "open help must not keep the program running";
    HelpQuit();
    EXPECT_EQ(HelpWindow(), nullptr);
    HelpQuit();
    EXPECT_EQ(HelpWindow(), nullptr);
    HelpContext(HelpTopic::Calculator);
    EXPECT_EQ(ShownPage(), QStringLiteral("calculator.html"));
}

// Opening help again while it is open keeps the one window.
TEST_F(HelpTest, HelpOpensOneWindowOnly) {
    HelpContents();
    QWidget* first = HelpWindow();
    HelpContext(HelpTopic::DisplayParameters);
    HelpContents();
    EXPECT_EQ(HelpWindow(), first);
    int helpWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        helpWindows += w->objectName() == QStringLiteral("HelpWindow");
    EXPECT_EQ(helpWindows, 1);
}

} // namespace
