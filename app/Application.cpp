#include "app/Application.h"

#include "engine/StringTable.h"

#include <QMessageBox>
#include <QtGlobal>

namespace {

// Set while an error box is open. An error raised while the box runs its own event loop is
// written to the log instead of opening a second box, so a handler that fails on every
// event cannot pile up boxes without end.
bool ErrorBoxOpen = false;

} // namespace

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
        qWarning("Quoril: %s", qUtf8Printable(text));
        return;
    }
    struct BoxOpenScope {
        BoxOpenScope() { ErrorBoxOpen = true; }
        ~BoxOpenScope() { ErrorBoxOpen = false; }
    } scope;
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(LoadStr(Msg::ApplicationTitle)),
                    text, QMessageBox::Ok, activeWindow());
    box.exec();
}
