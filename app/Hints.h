#pragma once
// The application-wide hint switch and hint pause. Hints are the widgets' tool tips; an
// event filter on the application decides whether and when they appear.
class QApplication;

// Installs the filter once; later calls do nothing.
void InstallHintFilter(QApplication& app);

// While hints are off no tool tip appears, and a visible one is hidden.
void SetShowHints(bool on);
bool ShowHints();

// Milliseconds the mouse must rest on a widget before its tool tip appears (500 at start).
void SetHintPause(int milliseconds);
int HintPause();

// The delay of the tool tip that is waiting to appear, or -1 when none is pending.
int PendingHintDelay();
