#include "app/SpinButton.h"

#include <QVBoxLayout>

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const auto arrow = [this, layout](const char* name, Qt::ArrowType type) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
        return button;
    };
    UpButton = arrow("Up", Qt::UpArrow);
    DownButton = arrow("Down", Qt::DownArrow);
}

void TSpinButton::SetHint(const QString& hint) {
    setToolTip(hint);
    UpButton->setToolTip(hint);
    DownButton->setToolTip(hint);
}
