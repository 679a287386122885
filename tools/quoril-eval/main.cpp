// quoril-eval [--angle deg|rad|grad] [--decimals N] [--exp] [--] [EXPRESSION ...]
//
// Evaluates each expression as the calculator's "=" does and prints one line per expression:
// the result in the calculator's display format, "error <position>: <message>" for an error
// in the text, or "error: <message>" for an error without a position. The engine state
// (memories, variable, angle unit, number base) carries over from one expression to the next.
// Without expressions, reads one expression per line from standard input.
//
// Options are the arguments before the first expression that begin with "--" and a letter.
// Every other argument is an expression, so "-3*2", "-X" and "-(1)" need no "--"; "--" ends
// the options explicitly (needed only for an expression such as "--EXP(1)").
// Exit status: 0 all evaluated, 1 at least one failed, 2 bad option.
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadOption = 2;
constexpr int FreeFormat = 18; // the calculator's Precision for free format

// "Usage:" as GNU tools write it, which help2man reads as the manual page's synopsis.
constexpr const char* Usage =
    "Usage: quoril-eval [--angle deg|rad|grad] [--decimals N] [--exp] [--] [EXPRESSION ...]";

constexpr const char* Help =
    "Evaluates each EXPRESSION (or each line of standard input) with the calculator's engine\n"
    "and prints one line per expression: the result, or \"error <position>: <message>\".\n"
    "Memories A to J, the variable X, the angle unit and the number base set by ->HEX,\n"
    "->BIN and ->DEZ carry over from one expression to the next.\n"
    "\nOptions:\n"
    "  --angle deg|rad|grad  angle unit to start with (default rad)\n"
    "  --decimals N          decimals of the fixed display, 0 to 18 (18: free format)\n"
    "  --exp                 exponent display\n"
    "  --                    end of options (arguments after it are expressions)\n"
    "  --help                this text\n"
    "Arguments starting with a single \"-\", such as -3*2, are expressions.\n"
    "Exit status: 0 all evaluated, 1 an expression failed, 2 bad option.\n";

struct TOptions {
    int32_t Angle = AngleRadians;
    int Precision = FreeFormat;
    bool ExpDisplay = false;
    std::vector<std::string> Expressions;
};

struct TBadOption {
    std::string Message;
};

struct THelpWanted {};

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

int32_t ParseAngle(std::string_view value) {
    const std::string unit = Lower(value);
    if (unit == "deg") return AngleDegrees;
    if (unit == "rad") return AngleRadians;
    if (unit == "grad") return AngleGrads;
    throw TBadOption{"--angle takes deg, rad or grad, not '" + std::string(value) + "'"};
}

int ParseDecimals(std::string_view value) {
    // one or two digits, 0 to 18
    const bool digits = !value.empty() && value.size() <= 2 &&
                        std::isdigit(static_cast<unsigned char>(value[0])) &&
                        (value.size() == 1 || std::isdigit(static_cast<unsigned char>(value[1])));
    const int decimals = digits ? std::stoi(std::string(value)) : -1;
    if (decimals < 0 || decimals > FreeFormat)
        throw TBadOption{"--decimals takes a number from 0 to 18, not '" + std::string(value) +
                         "'"};
    return decimals;
}

bool IsOption(std::string_view arg) {
    return arg.size() > 2 && arg.substr(0, 2) == "--" &&
           std::isalpha(static_cast<unsigned char>(arg[2]));
}

TOptions ParseArguments(int argc, char** argv) {
    TOptions options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (!IsOption(arg)) break;
        // "--name value" or "--name=value"
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool inlineValue = equals != std::string_view::npos;
        auto value = [&]() -> std::string_view {
            if (inlineValue) return arg.substr(equals + 1);
            if (i + 1 >= argc) throw TBadOption{std::string(name) + " needs a value"};
            return argv[++i];
        };
        if (name == "--angle") {
            options.Angle = ParseAngle(value());
        } else if (name == "--decimals") {
            options.Precision = ParseDecimals(value());
        } else if (name == "--exp" && !inlineValue) {
            options.ExpDisplay = true;
        } else if (name == "--help" && !inlineValue) {
            throw THelpWanted{};
        } else {
            throw TBadOption{"unknown option '" + std::string(arg) + "'"};
        }
    }
    for (; i < argc; ++i)
        options.Expressions.emplace_back(argv[i]);
    return options;
}

// Evaluates one expression as the calculator does and writes its line; false on an error.
bool EvaluateLine(std::string_view text, const TOptions& options) {
    std::string line;
    bool ok = false;
    try {
        TExprTree tree = CompileExpression(text, "X");
        const Real value = EvaluateTree(tree);
        FreeTree(tree);
        line = FormatResult(value, NumBase, options.Precision, options.ExpDisplay);
        ok = true;
    } catch (const EPositionedError& error) {
        line = "error " + std::to_string(error.Position) + ": " + error.Message;
    } catch (const Exception& error) {
        line = "error: " + error.Message;
    } catch (const std::bad_alloc&) {
        line = "error: out of memory";
    } catch (const std::exception& error) { // anything else still gives its one line
        line = std::string("error: ") + error.what();
    }
    std::cout << line << '\n' << std::flush;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const TBadOption& bad) {
        std::cerr << "quoril-eval: " << bad.Message << '\n' << Usage << '\n';
        return ExitBadOption;
    } catch (const THelpWanted&) {
        std::cout << Usage << '\n' << Help;
        return ExitOk;
    }

    StartEngine();
    AngleUnit = options.Angle;
    VariableValue = 0;
    Memory.fill(0);
    NumBase = BaseDecimal;

    bool allOk = true;
    if (!options.Expressions.empty()) {
        for (const std::string& expression : options.Expressions)
            allOk = EvaluateLine(expression, options) && allOk;
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            allOk = EvaluateLine(line, options) && allOk;
        }
    }
    return allOk ? ExitOk : ExitFailed;
}
