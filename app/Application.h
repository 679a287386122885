#pragma once
// The program's application object: the one place where errors that no window handled are
// shown to the user before the program goes on.
#include <QApplication>
#include <QString>

#include <exception>

// The program's title from the string table: the calculator's caption and that of every
// message box.
QString ApplicationTitle();

class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    // Delivers every event; an exception escaping a handler is shown and swallowed, so the
    // message loop keeps running.
    bool notify(QObject* receiver, QEvent* event) override;

    // The default error display: a modal error box with the application title as caption,
    // the error's text and one OK button.
    static void ShowException(const std::exception& error);
    static void ShowErrorText(const QString& text);
};
