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

// Registers the program's macro service under the program file's name (MacroServer). When
// another running program holds the name, or the socket cannot be made, the program runs
// without the channel and says so on standard error (MacroServer stays null).
void StartMacroServer();

// Withdraws the macro service and removes its socket.
void EndMacroServer();
