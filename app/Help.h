#pragma once
// The program's help: HTML pages compiled into the program, shown in one help window with a
// contents list and a full-text search.
class QApplication;
class QWidget;

// Help contexts: the topic a window's F1 opens.
namespace HelpTopic {
inline constexpr int Calculator = 1;
inline constexpr int DisplayParameters = 2;
} // namespace HelpTopic

// Opens the help window on its contents list and search field.
void HelpContents();
// Opens the help window on the topic of `context`; an unknown context opens the contents.
void HelpContext(int context);
// Closes the help window if it is open.
void HelpQuit();
// The help window, or nullptr while it has never been opened.
QWidget* HelpWindow();

// Gives `window` a help context: F1 in that window (or in any of its children) opens it.
void SetHelpContext(QWidget* window, int context);
// Binds the program to its help: registers the pages and makes F1 open the help context of
// the window it is pressed in (the contents where none is set). Later calls do nothing.
void InstallHelp(QApplication& app);
