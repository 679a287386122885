// The calculator window: construction of the keypad and menu, the line operations
// (insert, clear, show a result, evaluate) and the key filter in front of the input line.
#include "app/Calc.h"

#include "app/Application.h"
#include "app/CalcLayout.h"
#include "app/EngineText.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "app/KeypadDecimal.h"
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"
#include "engine/StringTable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcutEvent>

TCalc* Calc = nullptr;

namespace {

const QColor ShiftColor(0x80, 0, 0); // maroon: an engaged shift key and the second meanings
const QColor LogoColor(0, 0, 0x80);  // navy

QFont KeyFont(TKeyFont kind) {
    switch (kind) {
    case TKeyFont::Small: {
        QFont font(QStringLiteral("Small Fonts"));
        font.setPixelSize(Scaled(8));
        return font;
    }
    case TKeyFont::Symbol: {
        // The caption is the Unicode letter pi, which every text font has; a font named
        // "Symbol" is often symbol-encoded and then draws nothing for it.
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(Scaled(12));
        return font;
    }
    case TKeyFont::Normal:
        break;
    }
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(Scaled(11));
    return font;
}

QRect ScaledRect(int x, int y, int width, int height) {
    return QRect(Scaled(x), Scaled(y), Scaled(width), Scaled(height));
}

// The characters that continue a shown result instead of starting a new line.
bool ContinuesResult(QChar ch) {
    return ch == QChar(8) || QStringView(u"!*+-/^").contains(ch);
}

} // namespace

TCalc::TCalc(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Calc"));
    setWindowTitle(ApplicationTitle());
    // A fixed frame with the window menu and a minimise button, no maximise button; closing
    // the window (from its menu or its close button) ends the program.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(Scaled(ClientWidth), Scaled(ClientHeight));

    EditLine = new QLineEdit(this);
    EditLine->setObjectName(QStringLiteral("EditLine"));
    EditLine->setGeometry(ScaledRect(13, 13, 527, 21));
    EditLine->setFont(KeyFont(TKeyFont::Normal));
    EditLine->setToolTip(QStringLiteral("Enter expression here"));
    EditLine->installEventFilter(this);
    connect(EditLine, &QLineEdit::returnPressed, this, [this] { BtnEval->click(); });

    CreateKeys();
    CreateMenu();
    SetHelpContext(this, HelpTopic::Calculator);

    FullHeight = height();
    LoadSettings();
    EditLine->setFocus();
}

TCalc::~TCalc() {
    HelpQuit();
    // The window is going away, so a failure can only be told now, before it is gone.
    if (!SaveSettings() && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::warning(
            nullptr, ApplicationTitle(),
            tr("The calculator's settings could not be saved to\n%1.").arg(SettingsFileName()));
    SetShowHints(false);
}

void TCalc::CreateKeys() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(ScaledRect(173, 80, 237, 109));

    for (const TKeyDef& def : KeyTable) {
        auto* key = new QPushButton(QString::fromUtf8(def.Caption), this);
        key->setObjectName(QString::fromLatin1(def.Name));
        key->setGeometry(ScaledRect(def.X, def.Y, def.Width, def.Height));
        key->setFont(KeyFont(def.Font));
        // Clicking a key leaves the keyboard focus in the line, as the keys only type.
        key->setFocusPolicy(Qt::TabFocus);
        key->setAutoDefault(false);
        if (def.Hint) key->setToolTip(QString::fromUtf8(def.Hint));
        if (def.Handler)
            connect(key, &QPushButton::clicked, this, def.Handler);
        else
            key->setEnabled(false);
        if (def.Second) {
            auto* label = new QLabel(QString::fromUtf8(def.Second), this);
            label->setObjectName(QStringLiteral("Label") + QString::fromLatin1(def.Name + 3));
            label->setGeometry(ScaledRect(def.X - 4, def.Y - 10, def.Width + 8, 9));
            label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            label->setFont(KeyFont(TKeyFont::Small));
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ShiftColor);
            label->setPalette(palette);
            label->setToolTip(QString::fromUtf8(def.SecondHint));
            if (qstrcmp(def.Name, "BtnHyp") == 0) LabelArHyp = label;
        }
    }
    Btn2ndF = findChild<QPushButton*>(QStringLiteral("Btn2ndF"));
    BtnHyp = findChild<QPushButton*>(QStringLiteral("BtnHyp"));
    BtnDRG = findChild<QPushButton*>(QStringLiteral("BtnDRG"));
    BtnEval = findChild<QPushButton*>(QStringLiteral("BtnEval"));
    BtnPlot = findChild<QPushButton*>(QStringLiteral("BtnPlot"));
    BtnEval->setDefault(true);

    BtnSize = new QPushButton(QString::fromStdString(LoadStr(StrLess)), this);
    BtnSize->setObjectName(QStringLiteral("BtnSize"));
    BtnSize->setGeometry(ScaledRect(548, 13, 48, 21));
    BtnSize->setFont(KeyFont(TKeyFont::Normal));
    BtnSize->setToolTip(QString::fromStdString(LoadStr(StrReduceToLine)));
    BtnSize->setFocusPolicy(Qt::TabFocus);
    connect(BtnSize, &QPushButton::clicked, this, &TCalc::BtnSizeClick);

    // A glyph key: a bold question mark, the same on every platform and icon theme.
    BtnHelp = new QPushButton(QStringLiteral("?"), this);
    BtnHelp->setObjectName(QStringLiteral("BtnHelp"));
    BtnHelp->setGeometry(ScaledRect(610, 13, 32, 21));
    QFont glyphFont = KeyFont(TKeyFont::Normal);
    glyphFont.setBold(true);
    BtnHelp->setFont(glyphFont);
    BtnHelp->setAccessibleName(tr("Help"));
    BtnHelp->setFocusPolicy(Qt::TabFocus);
    connect(BtnHelp, &QPushButton::clicked, this, &TCalc::BtnHelpClick);

    BtnAus = new QPushButton(QStringLiteral("Off"), this);
    BtnAus->setObjectName(QStringLiteral("BtnAus"));
    BtnAus->setGeometry(ScaledRect(602, 42, 40, 20));
    BtnAus->setFont(KeyFont(TKeyFont::Normal));
    BtnAus->setToolTip(QStringLiteral("Switch off"));
    BtnAus->setFocusPolicy(Qt::TabFocus);
    connect(BtnAus, &QPushButton::clicked, this, &TCalc::BtnAusClick);

    for (QPushButton* key : findChildren<QPushButton*>())
        key->installEventFilter(this); // underlined letters press their keys at once

    // The logo: the product's short name; a click opens the about box.
    QFont logoFont(QStringLiteral("Times New Roman"));
    logoFont.setPixelSize(Scaled(16));
    logoFont.setBold(true);
    logoFont.setItalic(true);
    const auto makeLogo = [&](const char* name, const QString& text, QRect rect) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(rect);
        label->setFont(logoFont);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, LogoColor);
        label->setPalette(palette);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        return label;
    };
    Label17 = makeLogo("Label17", QStringLiteral("Quoril"), ScaledRect(8, 148, 48, 20));
    Label18 = makeLogo("Label18", QStringLiteral("2.0"), ScaledRect(8, 170, 48, 20));
    Label18->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label17->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

void TCalc::CreateMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](QAction*& action, const char* name, const QString& caption,
                             const QKeySequence& shortcut, void (TCalc::*handler)()) {
        action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        PopupMenu1->addAction(action);
        addAction(action); // the shortcuts work while the menu is closed
    };
    item(LetzteEingabe1, "LetzteEingabe1", tr("Last input"),
         QKeySequence(Qt::ALT | Qt::Key_Backspace), &TCalc::LetzteEingabe1Click);
    item(Eingabelschen1, "Eingabelschen1", tr("Clear input"),
         QKeySequence(Qt::CTRL | Qt::Key_Delete), &TCalc::Eingabelschen1Click);
    PopupMenu1->addSeparator();
    item(MPlus, "MPlus", tr("M+"), QKeySequence(Qt::CTRL | Qt::Key_M), &TCalc::MPlusClick);
    item(MMinus, "MMinus", tr("M-"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_M),
         &TCalc::MMinusClick);
    item(RM1, "RM1", tr("RM"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E), &TCalc::RM1Click);
    PopupMenu1->addSeparator();
    item(MarkAll, "MarkAll", tr("Mark all"), QKeySequence(Qt::CTRL | Qt::Key_A),
         &TCalc::MarkAllClick);
    item(CutClip, "CutClip", tr("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), &TCalc::CutClipClick);
    item(PasteClip, "PasteClip", tr("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
         &TCalc::PasteClipClick);
    item(CopyClip, "CopyClip", tr("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
         &TCalc::CopyClipClick);
    PopupMenu1->addSeparator();
    item(MStayOnTop, "MStayOnTop", tr("Always on top"), QKeySequence(), &TCalc::MStayOnTopClick);
    MStayOnTop->setCheckable(true);
    PopupMenu1->addSeparator();
    item(MShowHints, "MShowHints", tr("Show hints"), QKeySequence(), &TCalc::MShowHintsClick);
    MShowHints->setCheckable(true);

    // The menu replaces the line's own edit menu.
    const auto popupAt = [this](QWidget* widget) {
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget](const QPoint& pos) { PopupMenu1->popup(widget->mapToGlobal(pos)); });
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
    };
    popupAt(this);
    popupAt(EditLine);
}

void TCalc::Handle(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        TApplication::ShowException(error);
    }
}

void TCalc::FocusLine() {
    EditLine->setFocus();
}

void TCalc::PaintShiftCaptions() {
    const auto paint = [](QPushButton* key, bool engaged) {
        QPalette palette = key->palette();
        palette.setColor(QPalette::ButtonText,
                         engaged ? ShiftColor
                                 : QApplication::palette().color(QPalette::ButtonText));
        key->setPalette(palette);
    };
    paint(Btn2ndF, SecondFn);
    paint(BtnHyp, HypMode);
}

void TCalc::ReleaseShiftKeys() {
    SecondFn = false;
    HypMode = false;
    PaintShiftCaptions();
}

void TCalc::InsertText(const QString& text) {
    ResultShown = false;
    ExpDisplay = false;
    StoMode = false;
    RclMode = false;
    ReleaseShiftKeys();
    if (ClearInput) {
        ClearLine();
        ClearInput = false;
    }
    FocusLine();
    EditLine->insert(text); // replaces the selection; the cursor ends behind the text
}

void TCalc::ClearLine() {
    EditLine->clear();
}

void TCalc::ShowResult(Real value) {
    const QString text =
        QString::fromStdString(FormatResult(value, NumBase, Precision, ExpDisplay));
    EditLine->setText(text);
    FocusLine();
    EditLine->setCursorPosition(static_cast<int>(text.size()));
}

void TCalc::Evaluate(bool replay) {
    ReleaseShiftKeys();
    if (!replay) OldExpression = EditLine->text();
    const QString source = replay ? OldExpression : EditLine->text();
    try {
        TExprTree tree = CompileExpression(EngineText(source), "X");
        const Real value = EvaluateTree(tree);
        FreeTree(tree);
        LastResult = value;
    } catch (const EPositionedError& error) {
        // EScanError, EParseError and EEvalError; the tree is freed by its handle.
        ShowEngineError(error);
        return;
    }
    ShowResult(LastResult);
    ClearInput = true;
    ResultShown = true;
}

void TCalc::ShowEngineError(const EPositionedError& error) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), QString::fromUtf8(error.what()),
                    QMessageBox::Ok, this);
    box.exec();
    FocusLine();
    EditLine->setCursorPosition(std::clamp(error.Position, 0, int(EditLine->text().size())));
}

bool TCalc::StayOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TCalc::SetStayOnTop(bool on) {
    if (StayOnTop() != on) {
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (visible) show(); // changing the flags hides a window
    }
    MStayOnTop->setChecked(on);
}

void TCalc::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit(); // the calculator's window ends the program
}

bool TCalc::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditLine) {
        switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // The menu's shortcuts win over the line's own editing keys (Ctrl+C copies the
            // whole line when nothing is selected, Ctrl+Del clears it).
            const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
            for (const QAction* action : PopupMenu1->actions())
                if (!action->shortcut().isEmpty() && action->shortcut() == pressed) return true;
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return FilterLineKey(event);
        case QEvent::FocusIn: {
            // The line never selects itself when the focus comes back by Tab, Shift+Tab or a
            // shortcut, as a line edit otherwise does: the next key would replace the whole
            // line. It gets the focus like any other way, with the cursor where it was.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                reason == Qt::ShortcutFocusReason) {
                QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
                QCoreApplication::sendEvent(EditLine, &plain);
                return true;
            }
            break;
        }
        case QEvent::InputMethod:
            FilterInputText(static_cast<QInputMethodEvent*>(event)->commitString());
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::Shortcut && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->window() == this) {
        // Alt and a key's underlined letter: a button would show an animated click and act
        // only when it ends, after keys typed meanwhile, whose text it then overwrites. The
        // key acts now, in the order it was pressed. An ambiguous letter keeps Qt's handling
        // (focus moves between the keys that share it).
        auto* key = qobject_cast<QPushButton*>(watched);
        if (key && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            key->click();
            return true;
        }
    } else if ((watched == Label17 || watched == Label18) &&
               event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label17Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The window sees every key before the line: a character after a result starts a new line
// unless it continues the result, and the numeric keypad's decimal key always types ".".
bool TCalc::FilterLineKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    TrackKeypadDecimal(*key, KeypadDecimal);
    if (event->type() == QEvent::KeyRelease) return false;

    QChar ch;
    const bool commandKey =
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_Backspace && !commandKey) {
        ch = QChar(8);
    } else if (!commandKey && !key->text().isEmpty() && key->text().front().unicode() >= 32 &&
               key->text().front().unicode() != 127) {
        ch = key->text().front();
    } else if (key->modifiers() & Qt::AltModifier && !(key->modifiers() & Qt::ControlModifier) &&
               !key->text().isEmpty() && key->text().front().isPrint()) {
        return true; // Alt and a letter with no underlined key to press types nothing
    } else {
        return false; // not a character: cursor and editing keys pass unchanged
    }
    FilterTypedCharacter(ch);
    if (KeypadDecimal) {
        EditLine->insert(QStringLiteral("."));
        return true;
    }
    return false;
}

void TCalc::FilterTypedCharacter(QChar ch) {
    if (ClearInput && !ContinuesResult(ch)) ClearLine();
    ClearInput = false;
}

// Text composed through an input method (a dead key, a compose sequence, an on-screen
// keyboard) arrives committed in one piece; its first character decides like a typed one.
// Composition still in progress commits nothing and decides nothing yet.
void TCalc::FilterInputText(const QString& committed) {
    if (!committed.isEmpty()) FilterTypedCharacter(committed.front());
}
