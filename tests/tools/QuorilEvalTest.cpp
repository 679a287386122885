// quoril-eval run as a real process: arguments and standard input in, lines and exit status out.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct TRunResult {
    std::string Stdout;
    std::string Stderr;
    int ExitCode = -1; // -1: did not exit normally
};

// Runs quoril-eval with `args`; `input` is written to its standard input, which is then
// closed (an empty input closes it at once).
TRunResult RunEval(const std::vector<std::string>& args, const std::string& input) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
        posix_spawn_file_actions_addclose(&actions, fd);

    std::vector<std::string> argvText{QUORIL_EVAL_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, QUORIL_EVAL_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    TRunResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "posix_spawn: " << std::strerror(spawned);
        close(in[1]);
        close(out[0]);
        close(err[0]);
        return result;
    }

    // Feed the input and collect both outputs together, so no pipe can fill up and block.
    std::signal(SIGPIPE, SIG_IGN);
    std::size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    int outFd = out[0], errFd = err[0];
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? outFd : errFd;
            if (fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.Stdout : result.Stderr).append(buffer, static_cast<size_t>(n));
            } else {
                close(fd);
                fd = -1;
            }
        }
        if (inFd >= 0 && fds[2].revents != 0) {
            const ssize_t n = write(inFd, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<size_t>(n);
            if (n <= 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) close(inFd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

struct TEvalRow {
    const char* Name;
    std::vector<std::string> Args;
    std::string Input;
    std::string Expected; // standard output
    int ExitCode;
};

void CheckRows(const std::vector<TEvalRow>& rows) {
    for (const TEvalRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRunResult result = RunEval(row.Args, row.Input);
        EXPECT_EQ(result.Stdout, row.Expected);
        EXPECT_EQ(result.ExitCode, row.ExitCode);
        EXPECT_EQ(result.Stderr, "");
    }
}

TEST(QuorilEval, EngineStateCarriesOverBetweenExpressions) {
    CheckRows({
        {"memory assigned, then used", {"A:=2", "A*3", "A"}, "", "2\n6\n2\n", 0},
        {"STO into a memory", {"7 STO B", "B+1"}, "", "7\n8\n", 0},
        {"variable stored, then used", {"4 STO X", "X*X"}, "", "4\n16\n", 0},
        {"only memories take :=", {"X:=4"}, "", "error 1: Unexpected expression\n", 1},
        {"memories start at zero", {"C+J"}, "", "0\n", 0},
        {"POL stores the angle in J", {"--angle", "deg", "-1 POL 0", "J"}, "", "1\n180\n", 0},
        {"hexadecimal base stays set", {"255->HEX", "16"}, "", "$FF\n$10\n", 0},
        {"back to decimal", {"255->HEX", "16->DEZ", "16"}, "", "$FF\n16\n16\n", 0},
        {"binary base", {"5->BIN", "-1"}, "", "#101\n#11111111111111111111111111111111\n", 0},
        {"negative value in hexadecimal", {"-1->HEX"}, "", "$FFFFFFFF\n", 0},
        {"value stored before an error stays",
         {"D:=5;1/0", "D"},
         "",
         "error 7: Division by zero\n5\n",
         1},
    });
}

TEST(QuorilEval, ErrorsWithAndWithoutPosition) {
    CheckRows({
        {"division by zero at the divisor", {"1/0"}, "", "error 2: Division by zero\n", 1},
        {"position counts leading blanks", {"  SQRT(-1)"}, "", "error 7: Negative argument\n", 1},
        {"logarithm of zero", {"LN(0)"}, "", "error 3: Argument zero or negative\n", 1},
        {"literal message n < r", {"2 KOMB 5"}, "", "error 0: n < r\n", 1},
        {"integer division by zero has no position",
         {"7 MOD 0"},
         "",
         "error: Division by zero\n",
         1},
        {"32-bit range check has no position",
         {"1E10 AND 1"},
         "",
         "error: Invalid floating point operation\n",
         1},
        {"hexadecimal display out of range",
         {"255->HEX", "2^40"},
         "",
         "$FF\nerror: Invalid floating point operation\n",
         1},
        {"an error does not stop the run", {"1/0", "5"}, "", "error 2: Division by zero\n5\n", 1},
        {"empty expression", {""}, "", "error 0: Invalid expression\n", 1},
    });
}

TEST(QuorilEval, DisplayOptions) {
    CheckRows({
        {"free format by default",
         {"1/4", "1500", "PI"},
         "",
         "0.25\n1500\n3.14159265358979324\n",
         0},
        {"decimals give fixed format", {"--decimals", "2", "PI", "1/4"}, "", "3.14\n0.25\n", 0},
        {"decimals as name=value", {"--decimals=4", "PI"}, "", "3.1416\n", 0},
        {"zero decimals round", {"--decimals", "0", "2.7"}, "", "3\n", 0},
        {"18 decimals is free format", {"--decimals", "18", "1/4"}, "", "0.25\n", 0},
        {"exponent display", {"--exp", "1500"}, "", "1.50000000000000000E+3\n", 0},
        {"exponent display with decimals",
         {"--exp", "--decimals", "3", "1500"},
         "",
         "1.500E+3\n",
         0},
        {"radians by default", {"COS(PI)"}, "", "-1\n", 0},
        {"degrees", {"--angle", "deg", "SIN(30)", "ARCSIN(1)"}, "", "0.5\n90\n", 0},
        {"grads, upper case accepted", {"--angle=GRAD", "ARCCOS(-1)"}, "", "200\n", 0},
        {"overflow shows INF", {"EXP(20000)", "-EXP(20000)", "1755!"}, "", "INF\nINF\nINF\n", 0},
        {"not a number shows NAN", {"0*EXP(20000)"}, "", "NAN\n", 0},
    });
}

TEST(QuorilEval, ArgumentsStartingWithMinusAreExpressions) {
    CheckRows({
        {"negative literal", {"-3*2"}, "", "-6\n", 0},
        {"negated bracket", {"-(1+1)"}, "", "-2\n", 0},
        {"negated memory letter, not an option", {"-h"}, "", "0\n", 0},
        {"double dash ends the options", {"--", "-2"}, "", "-2\n", 0},
        {"after -- an option name is an expression",
         {"--", "--exp"},
         "",
         "error 1: Invalid expression\n",
         1},
        {"options only before the first expression",
         {"1", "--exp"},
         "",
         "1\nerror 1: Invalid expression\n",
         1},
        {"options then a negative expression", {"--exp", "-2"}, "", "-2.00000000000000000E+0\n", 0},
    });
}

TEST(QuorilEval, StandardInput) {
    CheckRows({
        {"one expression per line", {}, "A:=5\nA+1\n", "5\n6\n", 0},
        {"carriage returns stripped", {}, "A:=5\r\nA+1\r\n", "5\n6\n", 0},
        {"last line without newline", {}, "2*3", "6\n", 0},
        {"an error line among good ones",
         {},
         "1\n1/0\n2\n",
         "1\nerror 2: Division by zero\n2\n",
         1},
        {"options apply to input lines", {"--decimals", "1"}, "PI\n", "3.1\n", 0},
        {"no input, no output", {}, "", "", 0},
        {"arguments win over input", {"1"}, "2\n", "1\n", 0},
    });
}

TEST(QuorilEval, HelpGoesToStandardOutput) {
    for (const char* args : {"--help", "--exp"}) {
        SCOPED_TRACE(args);
        const TRunResult result = RunEval({args, "--help", "1"}, "");
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.Stdout.rfind("Usage: quoril-eval", 0), 0u) << result.Stdout;
        EXPECT_EQ(result.Stdout.find("\n1\n"), std::string::npos); // nothing evaluated
        EXPECT_EQ(result.Stderr, "");
    }
}

struct TBadOptionRow {
    const char* Name;
    std::vector<std::string> Args;
};

TEST(QuorilEval, BadOptionsExitWithUsage) {
    const TBadOptionRow rows[] = {
        {"unknown option", {"--bogus", "1"}},
        {"unknown angle unit", {"--angle", "turns", "1"}},
        {"missing angle unit", {"--angle"}},
        {"decimals above 18", {"--decimals", "19", "1"}},
        {"negative decimals", {"--decimals=-1", "1"}},
        {"decimals not a number", {"--decimals", "two", "1"}},
        {"missing decimals", {"--decimals"}},
        {"value for a flag", {"--exp=1", "1"}},
    };
    for (const TBadOptionRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRunResult result = RunEval(row.Args, "");
        EXPECT_EQ(result.ExitCode, 2);
        EXPECT_EQ(result.Stdout, "");
        EXPECT_NE(result.Stderr.find("Usage: quoril-eval"), std::string::npos) << result.Stderr;
    }
}

} // namespace
