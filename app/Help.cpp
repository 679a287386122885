#include "app/Help.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <vector>

// The help pages live in the program's resources; a static library needs them registered
// by name before first use.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace {

constexpr const char* HelpContextProperty = "HelpContext";

// The help pages in the order of the contents list, with the help context that opens them.
struct TPageEntry {
    const char* File;
    int Context;
};

constexpr TPageEntry Pages[] = {
    {"contents.html", 0},    {"calculator.html", HelpTopic::Calculator},
    {"expressions.html", 0}, {"operators.html", 0},
    {"functions.html", 0},   {"memories.html", 0},
    {"display.html", 0},     {"keypad.html", 0},
    {"errors.html", 0},      {"parameters.html", HelpTopic::DisplayParameters},
    {"plotwindow.html", 0},  {"readout.html", 0},
    {"copyprint.html", 0},
};

struct TTopic {
    QUrl Url;
    QString Title;
    QString Text; // the page as plain text, lower case, for the search
};

QString PagePath(const char* file) {
    return QStringLiteral(":/help/") + QLatin1String(file);
}

std::vector<TTopic> LoadTopics() {
    InitHelpResources();
    std::vector<TTopic> topics;
    for (const TPageEntry& page : Pages) {
        QFile file(PagePath(page.File));
        if (!file.open(QIODevice::ReadOnly)) continue;
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        TTopic topic;
        topic.Url = QUrl(QStringLiteral("qrc") + PagePath(page.File));
        topic.Title = document.metaInformation(QTextDocument::DocumentTitle);
        if (topic.Title.isEmpty()) topic.Title = QLatin1String(page.File);
        topic.Text = document.toPlainText().toLower();
        topics.push_back(std::move(topic));
    }
    return topics;
}

class THelpWindow : public QWidget {
public:
    THelpWindow() : Topics(LoadTopics()) {
        setObjectName(QStringLiteral("HelpWindow"));
        setWindowTitle(tr("Help"));
        // Help never keeps the program running once the calculator has closed.
        setAttribute(Qt::WA_QuitOnClose, false);
        resize(960, 600);

        ContentsList = new QListWidget;
        ContentsList->setObjectName(QStringLiteral("ContentsList"));
        for (const TTopic& topic : Topics)
            ContentsList->addItem(topic.Title);

        SearchEdit = new QLineEdit;
        SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
        SearchEdit->setPlaceholderText(tr("Words to find"));
        SearchEdit->setClearButtonEnabled(true);

        HitList = new QListWidget;
        HitList->setObjectName(QStringLiteral("HitList"));

        Browser = new QTextBrowser;
        Browser->setObjectName(QStringLiteral("Browser"));
        Browser->setOpenExternalLinks(true);

        auto* left = new QWidget;
        auto* leftLayout = new QVBoxLayout(left);
        leftLayout->setContentsMargins(0, 0, 0, 0);
        auto* contentsLabel = new QLabel(tr("&Contents"));
        contentsLabel->setBuddy(ContentsList);
        auto* searchLabel = new QLabel(tr("&Search"));
        searchLabel->setBuddy(SearchEdit);
        leftLayout->addWidget(contentsLabel);
        leftLayout->addWidget(ContentsList, 3);
        leftLayout->addWidget(searchLabel);
        leftLayout->addWidget(SearchEdit);
        leftLayout->addWidget(HitList, 2);

        auto* splitter = new QSplitter;
        splitter->addWidget(left);
        splitter->addWidget(Browser);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({300, 660});
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(splitter);

        connect(ContentsList, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0 && row < static_cast<int>(Topics.size()) &&
                Browser->source().fileName() != Topics[row].Url.fileName())
                Browser->setSource(Topics[row].Url);
        });
        connect(SearchEdit, &QLineEdit::textChanged, this, [this] { Search(); });
        connect(HitList, &QListWidget::itemActivated, this,
                [this](QListWidgetItem* item) { OpenHit(item); });
        connect(HitList, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { OpenHit(item); });
        connect(Browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
            // Keep the contents list on the page shown, also after following a link.
            for (size_t i = 0; i < Topics.size(); ++i)
                if (Topics[i].Url.fileName() == url.fileName())
                    ContentsList->setCurrentRow(static_cast<int>(i));
        });
    }

    void ShowTopic(int index) {
        if (index < 0 || index >= static_cast<int>(Topics.size())) return;
        ContentsList->setCurrentRow(index);
        Browser->setSource(Topics[index].Url);
    }

    // Index of the page `file` in the contents, or -1.
    int TopicOfFile(const char* file) const {
        for (size_t i = 0; i < Topics.size(); ++i)
            if (Topics[i].Url.fileName() == QLatin1String(file)) return static_cast<int>(i);
        return -1;
    }

    void Present() {
        if (!isVisible() && !Placed) {
            // The first time, on the screen of the window asking for help and wholly on it,
            // however small the screen: the window manager's own placement may leave the lower
            // part of the pages off the screen.
            Placed = true;
            const QWidget* asking = QApplication::activeWindow();
            const QScreen* screen = asking ? asking->screen() : QGuiApplication::primaryScreen();
            if (screen) {
                const QRect free = screen->availableGeometry();
                const QSize size = this->size().boundedTo(free.size() * 9 / 10);
                resize(size);
                QRect frame(QPoint(0, 0), size);
                frame.moveCenter(free.center());
                move(frame.topLeft());
            }
        }
        show();
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    }

    QLineEdit* SearchEdit;

private:
    bool Placed = false;
    std::vector<TTopic> Topics;
    QListWidget* ContentsList;
    QListWidget* HitList;
    QTextBrowser* Browser;

    // Lists the topics that contain every word of the search field, in contents order, with
    // the number of times the words occur.
    void Search() {
        HitList->clear();
        const QStringList words = SearchEdit->text().toLower().split(
            QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty()) return;
        for (size_t i = 0; i < Topics.size(); ++i) {
            int count = 0;
            for (const QString& word : words) {
                const int n = static_cast<int>(Topics[i].Text.count(word));
                if (n == 0) {
                    count = 0;
                    break;
                }
                count += n;
            }
            if (count == 0) continue;
            auto* item =
                new QListWidgetItem(QStringLiteral("%1 (%2)").arg(Topics[i].Title).arg(count));
            item->setData(Qt::UserRole, static_cast<int>(i));
            HitList->addItem(item);
        }
        if (HitList->count() == 0) {
            auto* none = new QListWidgetItem(tr("No topic contains these words."));
            none->setFlags(Qt::NoItemFlags);
            none->setData(Qt::UserRole, -1);
            HitList->addItem(none);
        }
    }

    void OpenHit(QListWidgetItem* item) {
        const int index = item->data(Qt::UserRole).toInt();
        if (index < 0) return;
        ShowTopic(index);
        // Mark the first occurrence of the first search word on the page.
        const QStringList words = SearchEdit->text().split(
            QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (!words.isEmpty()) {
            Browser->moveCursor(QTextCursor::Start);
            Browser->find(words.first());
        }
    }
};

QPointer<THelpWindow> Window;

THelpWindow& OpenWindow() {
    if (!Window) Window = new THelpWindow;
    Window->Present();
    return *Window;
}

int PageOfContext(const THelpWindow& window, int context) {
    for (const TPageEntry& page : Pages)
        if (page.Context == context && context != 0) return window.TopicOfFile(page.File);
    return -1;
}

// F1 opens the help context of the window the key was pressed in: the nearest widget from
// the focus up that has one.
class THelpKeyFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        int context = 0;
        for (auto* w = static_cast<QWidget*>(watched); w && context == 0; w = w->parentWidget())
            context = w->property(HelpContextProperty).toInt();
        if (context != 0)
            HelpContext(context);
        else
            HelpContents();
        return true;
    }
};

} // namespace

void HelpContents() {
    THelpWindow& window = OpenWindow();
    window.ShowTopic(0);
    window.SearchEdit->setFocus();
}

void HelpContext(int context) {
    THelpWindow& window = OpenWindow();
    const int page = PageOfContext(window, context);
    window.ShowTopic(page >= 0 ? page : 0);
}

void HelpQuit() {
    delete Window.data();
}

QWidget* HelpWindow() {
    return Window.data();
}

void SetHelpContext(QWidget* window, int context) {
    window->setProperty(HelpContextProperty, context);
}

void InstallHelp(QApplication& app) {
    InitHelpResources();
    static QPointer<THelpKeyFilter> filter;
    if (filter) return;
    filter = new THelpKeyFilter;
    filter->setParent(&app);
    app.installEventFilter(filter);
}
