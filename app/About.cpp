#include "app/About.h"

#include "engine/StringTable.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QVBoxLayout>

// The icon lives in the program's resources; a static library needs them registered by name
// before first use.
static void InitIconResources() {
    Q_INIT_RESOURCE(icon);
}

namespace {

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

QIcon ProgramIcon() {
    // The installed desktop icon's drawing, compiled in; one picture per size the window
    // system may ask for, so that small ones are not scaled down from a large one.
    InitIconResources();
    QSvgRenderer renderer(QStringLiteral(":/icons/quoril.svg"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Quoril"));
    setModal(true);
    setFixedSize(298, 233);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    QLabel* product =
        NamedLabel(QString::fromStdString(LoadStr(Msg::ApplicationTitle)), "ProductName", this);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.3);
    product->setFont(productFont);
    QLabel* version =
        NamedLabel(tr("Version %1").arg(QStringLiteral(QUORIL_VERSION)), "Version", this);
    QLabel* comments = NamedLabel(tr("A scientific calculator working in extended precision, "
                                     "with a plotter for functions y = f(x) and parametric "
                                     "curves."),
                                  "Comments", this);
    comments->setWordWrap(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(comments);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);

    // Centred on the screen, not on the calculator.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ShowAboutBox(QWidget* parent) {
    auto* box = new TAboutBox(parent);
    box->exec();
    delete box;
}
