#include "app/SettingsStore.h"

#include <QStringList>

#include <cctype>

namespace {

QString Key(const char* section, const QString& name) {
    return QString::fromLatin1(section) + u'/' + name;
}

} // namespace

QSettings OpenSettingsStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Hemsel"),
                     QStringLiteral("Quoril"));
}

bool ParseSettingsInteger(const QString& text, int& value) {
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

bool ReadSettingsText(QSettings& store, const char* section, const QString& name, QString& text) {
    const QVariant value = store.value(Key(section, name));
    if (!value.isValid()) return false;
    text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                    : value.toString();
    return true;
}

QString ReadSettingsString(QSettings& store, const char* section, const char* name,
                           const QString& fallback) {
    QString text;
    return ReadSettingsText(store, section, QString::fromLatin1(name), text) ? text : fallback;
}

int ReadSettingsInteger(QSettings& store, const char* section, const char* name, int fallback) {
    QString text;
    int value = fallback;
    if (ReadSettingsText(store, section, QString::fromLatin1(name), text) &&
        ParseSettingsInteger(text, value))
        return value;
    return fallback;
}

int ReadSettingsInteger(QSettings& store, const char* section, const char* name, int fallback,
                        int low, int high) {
    const int value = ReadSettingsInteger(store, section, name, fallback);
    return value >= low && value <= high ? value : fallback;
}

void WriteSettingsString(QSettings& store, const char* section, const QString& name,
                         const QString& text) {
    store.setValue(Key(section, name), text);
}

void WriteSettingsInteger(QSettings& store, const char* section, const char* name, int value) {
    store.setValue(Key(section, QString::fromLatin1(name)), QString::number(value));
}
