#pragma once
// User-visible messages addressed by number, one table for every layer of the program.
#include <string>

// The text of message `ident`; an empty text for a number the table does not hold.
const std::string& LoadStr(int ident);

// Numbers of the messages the engine raises.
namespace Msg {
inline constexpr int InvalidHex = 1;
inline constexpr int InvalidBinary = 2;
inline constexpr int InvalidFunctionPointer = 300;
inline constexpr int NegativeArgument = 301;
inline constexpr int RootArgumentZeroOrNegative = 302;
inline constexpr int RootPowerZeroOrNegative = 303;
inline constexpr int ArgumentZeroOrNegative = 304;
inline constexpr int FunctionValueNotDefined = 305;
inline constexpr int ArgumentAboveOne = 306;
inline constexpr int ArgumentBelowOne = 307;
inline constexpr int DivisionByZero = 308;
inline constexpr int PowerOutOfRange = 309;
inline constexpr int OperandBelowZero = 310;
inline constexpr int AssignmentTargetInvalid = 311;
inline constexpr int TooMuchArguments = 400;
inline constexpr int TooLessArguments = 401;
inline constexpr int Expected = 402;
inline constexpr int FunctionHasNoArguments = 403;
inline constexpr int InvalidExpression = 404;
inline constexpr int UnknownIdentifier = 405;
inline constexpr int ConstantStorageExpected = 406;
inline constexpr int UnexpectedExpression = 407;
inline constexpr int NestedTooDeeply = 408;
inline constexpr int UnexpectedCharacter = 600;
inline constexpr int ApplicationTitle = 10000;
} // namespace Msg
