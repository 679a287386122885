// The calculator's stored working state. Every value is kept as text in the settings store;
// integers and reals are parsed here, and anything unreadable gives the caller's default.
#include "app/Calc.h"

#include "app/Hints.h"
#include "app/SettingsStore.h"
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Globals.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The texts of the values that are not finite numbers. A memory can hold them (an overflow,
// an invalid operation), and what the program writes must come back.
constexpr const char* InfText = "INF";
constexpr const char* NegInfText = "-INF";
constexpr const char* NanText = "NAN";

// Reals are stored as "." decimal text; a text that is not a number reads as 0, the default.
Real ReadReal(QSettings& store, const char* section, const QString& name) {
    QString text = QStringLiteral("0");
    ReadSettingsText(store, section, name, text);
    const auto is = [&text](const char* word) {
        return text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (is(InfText)) return std::numeric_limits<Real>::infinity();
    if (is(NegInfText)) return -std::numeric_limits<Real>::infinity();
    if (is(NanText)) return std::numeric_limits<Real>::quiet_NaN();
    try {
        return DotTextToFloat(text.toStdString());
    } catch (const EConvertError&) {
        return 0;
    }
}

// The number text shows every infinity as INF; the store keeps the sign, or a memory holding
// minus infinity would come back as plus infinity.
void WriteReal(QSettings& store, const char* section, const QString& name, Real value) {
    const QString text = std::isinf(value) && value < 0
                             ? QString::fromLatin1(NegInfText)
                             : QString::fromStdString(FloatToDotText(value));
    WriteSettingsString(store, section, name, text);
}

QString RegisterName(int index) {
    return QStringLiteral("Reg") + QChar(u'A' + index);
}

constexpr int WinStyleNormal = 0;
constexpr int WinStyleStayOnTop = 3;

} // namespace

QString TCalc::SettingsFileName() {
    return OpenSettingsStore().fileName();
}

void TCalc::LoadSettings() {
    QSettings store = OpenSettingsStore();
    AngleUnit =
        ReadSettingsInteger(store, "Options", "Winkeleinheit", AngleUnit, AngleDegrees, AngleGrads);
    Precision = ReadSettingsInteger(store, "Options", "Precision", Precision, 0, 18);
    SetShowHints(ReadSettingsInteger(store, "Options", "Hints", 0) != 0);
    MShowHints->setChecked(ShowHints());
    NumBase = ReadSettingsInteger(store, "Status", "NumBase", BaseDecimal, BaseDecimal, BaseBinary);

    const QString line = ReadSettingsString(store, "Status", "AktExpression", QString());
    EditLine->setText(line);
    OldExpression = ReadSettingsString(store, "Status", "OldExpression", QString());
    const int lineLength = static_cast<int>(line.size());
    EditLine->setCursorPosition(
        std::clamp(ReadSettingsInteger(store, "Status", "CurPos", lineLength), 0, lineLength));
    ClearInput = ReadSettingsInteger(store, "Status", "ClearInput", 0) != 0;
    SetStayOnTop(ReadSettingsInteger(store, "Status", "WinStyle", WinStyleNormal) ==
                 WinStyleStayOnTop);

    for (int i = 0; i < MemoryCount; ++i)
        Memory[static_cast<std::size_t>(i)] = ReadReal(store, "Registers", RegisterName(i));
    MemoryM = ReadReal(store, "Registers", QStringLiteral("RegM"));

    ShowAngleUnit();
}

bool TCalc::SaveSettings() {
    QSettings store = OpenSettingsStore();
    WriteSettingsInteger(store, "Options", "Winkeleinheit", AngleUnit);
    WriteSettingsInteger(store, "Options", "Precision", Precision);
    WriteSettingsInteger(store, "Options", "Hints", ShowHints() ? 1 : 0);

    WriteSettingsString(store, "Status", QStringLiteral("AktExpression"), EditLine->text());
    WriteSettingsString(store, "Status", QStringLiteral("OldExpression"), OldExpression);
    const int cursor =
        EditLine->hasSelectedText() ? EditLine->selectionStart() : EditLine->cursorPosition();
    WriteSettingsInteger(store, "Status", "CurPos", cursor);
    WriteSettingsInteger(store, "Status", "ClearInput", ClearInput ? 1 : 0);
    WriteSettingsInteger(store, "Status", "NumBase", NumBase);
    WriteSettingsInteger(store, "Status", "WinStyle",
                         StayOnTop() ? WinStyleStayOnTop : WinStyleNormal);

    for (int i = 0; i < MemoryCount; ++i)
        WriteReal(store, "Registers", RegisterName(i), Memory[static_cast<std::size_t>(i)]);
    WriteReal(store, "Registers", QStringLiteral("RegM"), MemoryM);

    store.sync();
    return store.status() == QSettings::NoError;
}
