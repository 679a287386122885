#pragma once
// A spin button: two small arrow buttons, one above the other, that step something up or
// down. It holds no value of its own; the owner acts on the two buttons' clicks.
#include <QToolButton>
#include <QWidget>

class TSpinButton : public QWidget {
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    // The hint of the whole control, shown over either arrow.
    void SetHint(const QString& hint);

    QToolButton* UpButton = nullptr;
    QToolButton* DownButton = nullptr;
};
