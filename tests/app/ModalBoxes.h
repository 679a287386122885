#pragma once
// Answers the modal boxes a test provokes, so that no test blocks: every modal widget that
// opens is recorded and then closed as if its default button had been pressed.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

struct TRecordedBox {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    int ButtonCount = 0;
    QString ClassName;
    bool OverAnotherBox = false; // opened while an earlier box was still open
};

class TModalBoxAnswerer {
public:
    // `whileOpen` runs once for every box before the box is closed.
    explicit TModalBoxAnswerer(std::function<void(QWidget*)> whileOpen = {})
        : WhileOpen(std::move(whileOpen)) {
        Timer.setInterval(5);
        QObject::connect(&Timer, &QTimer::timeout, [this] { Answer(); });
        Timer.start();
    }

    std::vector<TRecordedBox> Boxes;

private:
    QTimer Timer;
    std::function<void(QWidget*)> WhileOpen;
    QWidget* Answering = nullptr;

    void Answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == Answering) return;
        TRecordedBox box;
        box.Caption = modal->windowTitle();
        box.ClassName = QString::fromLatin1(modal->metaObject()->className());
        if (auto* message = qobject_cast<QMessageBox*>(modal)) {
            box.Text = message->text();
            box.Icon = message->icon();
            box.ButtonCount = static_cast<int>(message->buttons().size());
        }
        box.OverAnotherBox = Answering != nullptr;
        Boxes.push_back(box);
        QWidget* below = Answering;
        Answering = modal;
        if (WhileOpen) WhileOpen(modal);
        Answering = below;
        // A box that `whileOpen` answered itself (say, cancelled) is left as it was answered.
        if (!modal->isVisible()) return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->accept();
        else
            modal->close();
    }
};
