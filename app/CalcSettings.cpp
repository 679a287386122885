// The calculator's stored working state. Every value is kept as text in the settings store;
// integers and reals are parsed here, and anything unreadable gives the caller's default.
#include "app/Calc.h"

#include "app/Hints.h"
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Globals.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace {

QSettings OpenStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Hemsel"),
                     QStringLiteral("Quoril"));
}

QString Key(const char* section, const QString& name) {
    return QString::fromLatin1(section) + u'/' + name;
}

// A text the user edited by hand may come back as a list (an unquoted comma); rejoin it.
bool ReadText(QSettings& store, const char* section, const QString& name, QString& text) {
    const QVariant value = store.value(Key(section, name));
    if (!value.isValid()) return false;
    text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                    : value.toString();
    return true;
}

// Decimal with an optional sign, or "0x" / "0X" followed by up to eight hexadecimal digits
// (taken as the 32-bit pattern, so 0xFFFFFFFF is -1).
bool ParseInteger(const QString& text, int& value) {
    bool ok = false;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QString digits = text.mid(2);
        if (digits.size() > 8) return false;
        for (QChar ch : digits)
            if (!std::isxdigit(static_cast<unsigned char>(ch.toLatin1()))) return false;
        const uint pattern = digits.toUInt(&ok, 16);
        if (ok) value = static_cast<int>(pattern);
        return ok;
    }
    if (text.isEmpty()) return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isDigit() && !(i == 0 && (text[i] == u'-' || text[i] == u'+'))) return false;
    const int parsed = text.toInt(&ok, 10);
    if (ok) value = parsed;
    return ok;
}

int ReadInteger(QSettings& store, const char* section, const char* name, int fallback) {
    QString text;
    int value = fallback;
    if (ReadText(store, section, QString::fromLatin1(name), text) && ParseInteger(text, value))
        return value;
    return fallback;
}

// An integer that must lie in [low, high]; another value counts as unreadable.
int ReadInteger(QSettings& store, const char* section, const char* name, int fallback, int low,
                int high) {
    const int value = ReadInteger(store, section, name, fallback);
    return value >= low && value <= high ? value : fallback;
}

QString ReadString(QSettings& store, const char* section, const char* name,
                   const QString& fallback) {
    QString text;
    return ReadText(store, section, QString::fromLatin1(name), text) ? text : fallback;
}

// The texts of the values that are not finite numbers. A memory can hold them (an overflow,
// an invalid operation), and what the program writes must come back.
constexpr const char* InfText = "INF";
constexpr const char* NegInfText = "-INF";
constexpr const char* NanText = "NAN";

// Reals are stored as "." decimal text; a text that is not a number reads as 0, the default.
Real ReadReal(QSettings& store, const char* section, const QString& name) {
    QString text = QStringLiteral("0");
    ReadText(store, section, name, text);
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

void WriteInteger(QSettings& store, const char* section, const char* name, int value) {
    store.setValue(Key(section, QString::fromLatin1(name)), QString::number(value));
}

void WriteString(QSettings& store, const char* section, const char* name, const QString& text) {
    store.setValue(Key(section, QString::fromLatin1(name)), text);
}

// The number text shows every infinity as INF; the store keeps the sign, or a memory holding
// minus infinity would come back as plus infinity.
void WriteReal(QSettings& store, const char* section, const QString& name, Real value) {
    const QString text = std::isinf(value) && value < 0
                             ? QString::fromLatin1(NegInfText)
                             : QString::fromStdString(FloatToDotText(value));
    store.setValue(Key(section, name), text);
}

QString RegisterName(int index) {
    return QStringLiteral("Reg") + QChar(u'A' + index);
}

constexpr int WinStyleNormal = 0;
constexpr int WinStyleStayOnTop = 3;

} // namespace

QString TCalc::SettingsFileName() {
    return OpenStore().fileName();
}

void TCalc::LoadSettings() {
    QSettings store = OpenStore();
    AngleUnit = ReadInteger(store, "Options", "Winkeleinheit", AngleUnit, AngleDegrees, AngleGrads);
    Precision = ReadInteger(store, "Options", "Precision", Precision, 0, 18);
    SetShowHints(ReadInteger(store, "Options", "Hints", 0) != 0);
    MShowHints->setChecked(ShowHints());
    NumBase = ReadInteger(store, "Status", "NumBase", BaseDecimal, BaseDecimal, BaseBinary);

    const QString line = ReadString(store, "Status", "AktExpression", QString());
    EditLine->setText(line);
    OldExpression = ReadString(store, "Status", "OldExpression", QString());
    const int lineLength = static_cast<int>(line.size());
    EditLine->setCursorPosition(
        std::clamp(ReadInteger(store, "Status", "CurPos", lineLength), 0, lineLength));
    ClearInput = ReadInteger(store, "Status", "ClearInput", 0) != 0;
    SetStayOnTop(ReadInteger(store, "Status", "WinStyle", WinStyleNormal) == WinStyleStayOnTop);

    for (int i = 0; i < MemoryCount; ++i)
        Memory[static_cast<std::size_t>(i)] = ReadReal(store, "Registers", RegisterName(i));
    MemoryM = ReadReal(store, "Registers", QStringLiteral("RegM"));

    ShowAngleUnit();
}

bool TCalc::SaveSettings() {
    QSettings store = OpenStore();
    WriteInteger(store, "Options", "Winkeleinheit", AngleUnit);
    WriteInteger(store, "Options", "Precision", Precision);
    WriteInteger(store, "Options", "Hints", ShowHints() ? 1 : 0);

    WriteString(store, "Status", "AktExpression", EditLine->text());
    WriteString(store, "Status", "OldExpression", OldExpression);
    const int cursor =
        EditLine->hasSelectedText() ? EditLine->selectionStart() : EditLine->cursorPosition();
    WriteInteger(store, "Status", "CurPos", cursor);
    WriteInteger(store, "Status", "ClearInput", ClearInput ? 1 : 0);
    WriteInteger(store, "Status", "NumBase", NumBase);
    WriteInteger(store, "Status", "WinStyle", StayOnTop() ? WinStyleStayOnTop : WinStyleNormal);

    for (int i = 0; i < MemoryCount; ++i)
        WriteReal(store, "Registers", RegisterName(i), Memory[static_cast<std::size_t>(i)]);
    WriteReal(store, "Registers", QStringLiteral("RegM"), MemoryM);

    store.sync();
    return store.status() == QSettings::NoError;
}
