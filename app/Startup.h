#pragma once
// Start-up and shutdown of the program, in their fixed orders. The program entry runs
// StartProgram, the message loop, then EndProgram; the tests run the same two steps.
class QApplication;

// Prepares the process-wide state and creates the windows; only the calculator is shown.
void StartProgram(QApplication& app);

// Destroys the windows in their fixed order, each saving what it owns.
void EndProgram();

// Puts the floating-point unit into its power-on mode: round to nearest, full 64-bit
// mantissa, every floating-point exception masked (overflow gives INF, 0/0 gives NAN).
void ResetFloatingPoint();
