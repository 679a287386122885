#include "app/About.h"

#include "engine/StringTable.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIconEngine>
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

namespace {

// Draws the program's icon from its SVG at whatever size is asked for, when it is asked for:
// start-up only makes the icon, the window system renders the sizes it wants when it shows a
// window, and small sizes are drawn for themselves, not scaled down from a large picture.
class TProgramIconEngine : public QIconEngine {
public:
    TProgramIconEngine() = default;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        Renderer().render(painter, QRectF(rect));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return picture;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : {16, 24, 32, 48, 64, 128, 256})
            sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine* clone() const override { return new TProgramIconEngine; }
    QString key() const override { return QStringLiteral("TProgramIconEngine"); }

private:
    static QSvgRenderer& Renderer() {
        InitIconResources();
        static QSvgRenderer renderer(QStringLiteral(":/icons/quoril.svg"));
        return renderer;
    }
};

} // namespace

QIcon ProgramIcon() {
    // The installed desktop icon's drawing, compiled in.
    return QIcon(new TProgramIconEngine);
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
