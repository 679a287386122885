#include "app/Application.h"

#include "engine/StringTable.h"

#include <QMessageBox>

#include <algorithm>
#include <deque>

namespace {

// While an error box is open its own event loop keeps delivering events, and a handler may
// fail again. Such errors wait in Pending and are shown one after another once the open box
// is closed, never stacked on it; an error equal to the one shown or to one already waiting
// is shown once, so a handler that fails on every event cannot pile up boxes.
bool ErrorBoxOpen = false;
QString ShownText;
std::deque<QString> Pending;

void ShowErrorBox(const QString& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

QString ApplicationTitle() {
    return QString::fromStdString(LoadStr(Msg::ApplicationTitle));
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowErrorText(tr("An unknown error occurred."));
    }
    return false;
}

void TApplication::ShowException(const std::exception& error) {
    ShowErrorText(QString::fromUtf8(error.what()));
}

void TApplication::ShowErrorText(const QString& text) {
    if (ErrorBoxOpen) {
        if (text != ShownText && std::find(Pending.begin(), Pending.end(), text) == Pending.end())
            Pending.push_back(text);
        return;
    }
    struct BoxOpenScope {
        BoxOpenScope() { ErrorBoxOpen = true; }
        ~BoxOpenScope() {
            ErrorBoxOpen = false;
            ShownText.clear();
        }
    } scope;
    ShownText = text;
    ShowErrorBox(text);
    while (!Pending.empty()) {
        const QString next = Pending.front();
        Pending.pop_front();
        ShownText = next;
        ShowErrorBox(next);
    }
}
