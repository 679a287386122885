#pragma once
// The about box: program name, version, a short description and an OK button.
#include <QDialog>
#include <QIcon>

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

// Creates the about box owned by `parent`, shows it modally and frees it again.
void ShowAboutBox(QWidget* parent);

// The program's icon, the desktop icon's drawing built into the program: it reads no files
// of its own.
QIcon ProgramIcon();
