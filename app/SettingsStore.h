#pragma once
// The program's settings store: one group per section, every value kept as text and parsed
// here, so that a value damaged by hand reads as the caller's default.
#include <QSettings>
#include <QString>

// The store, opened afresh for each load or save.
QSettings OpenSettingsStore();

// Decimal with an optional sign, or "0x" / "0X" followed by up to eight hexadecimal digits
// (taken as the 32-bit pattern, so 0xFFFFFFFF is -1). False for any other text.
bool ParseSettingsInteger(const QString& text, int& value);

// False when the entry does not exist. A text edited by hand may come back as a list (an
// unquoted comma); it is joined again.
bool ReadSettingsText(QSettings& store, const char* section, const QString& name, QString& text);
QString ReadSettingsString(QSettings& store, const char* section, const char* name,
                           const QString& fallback);
int ReadSettingsInteger(QSettings& store, const char* section, const char* name, int fallback);
// An integer that must lie in [low, high]; another value counts as unreadable.
int ReadSettingsInteger(QSettings& store, const char* section, const char* name, int fallback,
                        int low, int high);

void WriteSettingsString(QSettings& store, const char* section, const QString& name,
                         const QString& text);
void WriteSettingsInteger(QSettings& store, const char* section, const char* name, int value);
