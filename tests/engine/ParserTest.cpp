// The parser: tree shapes with every node's position, every error with its message and
// position, the nesting bound, and freeing.
#include "engine/Parser.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/Scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// "(op@pos left right)" with "_" for an empty operand; a leaf is "text@pos". The unary minus
// prints as "neg" and an argument-list node as "args" (its text is empty).
std::string Show(const TExprNode* node) {
    if (!node) return "_";
    std::string name = node->Text;
    if (node->Code == Code::Negate) name = "neg";
    if (node->Code == Code::ArgList) name = "args";
    name += "@" + std::to_string(node->Pos);
    if (!node->Left && !node->Right) return name;
    return "(" + name + " " + Show(node->Left) + " " + Show(node->Right) + ")";
}

int Height(const TExprNode* node) {
    return node ? 1 + std::max(Height(node->Left), Height(node->Right)) : 0;
}

struct TreeRow {
    const char* text;
    const char* tree;
    const char* variable = "X";
};

TEST(ParserTest, TreeShapesAndPositions) {
    const TreeRow rows[] = {
        {"2*Sin(30)", "(*@1 2@0 (SIN@8 _ 30@6))"},
        {"1+2*3", "(+@1 1@0 (*@3 2@2 3@4))"},
        {"1*2+3", "(+@3 (*@1 1@0 2@2) 3@4)"},
        {"8/4/2", "(/@3 (/@1 8@0 4@2) 2@4)"},
        {"1-2+3", "(+@3 (-@1 1@0 2@2) 3@4)"},
        {"5 MOD 3 * 2", "(*@7 (MOD@1 5@0 3@5) 2@9)"},
        {"1 OR 2 XOR 3 AND 4", "(OR@1 1@0 (XOR@6 2@4 (AND@12 3@10 4@16)))"},
        {"1 AND 2 XOR 3 OR 4", "(OR@13 (XOR@7 (AND@1 1@0 2@5) 3@11) 4@16)"},
        {"1+2<3*4", "(<@3 (+@1 1@0 2@2) (*@5 3@4 4@6))"},
        {" 1 + 2", "(+@2 1@0 2@4)"},
        {"2^-1", "(^@1 2@0 (neg@2 _ 1@3))"},
        {"-2^2", "(^@2 (neg@0 _ 2@1) 2@3)"},
        {"-3!", "(neg@0 _ (!@2 3@1 _))"},
        {"3!!", "(!@2 (!@1 3@0 _) _)"},
        {"2^3!", "(^@1 2@0 (!@3 3@2 _))"},
        {"NOT 1", "(NOT@0 _ 1@3)"},
        {"+5", "5@1"},
        {"1 - -2", "(-@1 1@0 (neg@3 _ 2@5))"},
        {"(1+2)*3", "(*@5 (+@2 1@1 2@3) 3@6)"},
        {"((1))", "1@2"},
        {"(1)!", "(!@3 1@1 _)"},
        {"PI", "PI@0"},
        {"x", "X@0"},
        {"t*2", "(*@1 T@0 2@2)", "T"},
        {"$ff+#101", "(+@3 ff@0 101@4)"},
        {"10.3->DEG", "(DEG@4 10.3@0 _)"},
        {"1 POL 2", "(POL@1 1@0 2@5)"},
        {"5 KOMB 2", "(KOMB@1 5@0 2@6)"},
        {"1<2", "(<@1 1@0 2@2)"},
        {"1><2", "(<>@1 1@0 2@3)"},
        {"255->HEX", "(HEX@3 255@0 _)"},
        {"2*3 ->dez", "(DEZ@3 (*@1 2@0 3@2) _)"},
        {"A:=3; A*2", "(;@4 (:=@0 A@0 3@3) (*@7 A@5 2@8))"},
        {" A := 1", "(:=@0 A@0 1@5)"},
        {"a:=1->hex", "(:=@0 A@0 (HEX@4 1@3 _))"},
        {"1 STO X", "(STO@1 1@0 X@5)"},
        {"7 sto b", "(STO@1 7@0 B@5)"},
        {"1;2;3", "(;@3 (;@1 1@0 2@2) 3@4)"},
        {"A", "A@0"},
        {"A+1", "(+@1 A@0 1@2)"},
        {"MIN(3)", "(MIN@5 _ 3@4)"},
        {"MAX(1,5,3)", "(MAX@9 _ (args@6 1@4 (args@5 5@6 (args@7 3@8 _))))"},
        {"SQRTX(2, 9)", "(SQRTX@10 _ (args@8 2@6 (args@7 9@8 _)))"},
        {"SIN( 1 )", "(SIN@6 _ 1@4)"},
        {"RND", "RND@3"},
        {"RND*2", "(*@3 RND@3 2@4)"},
        {"rnd !", "(!@3 RND@3 _)"},
        {"ABS(-1)!", "(!@7 (ABS@6 _ (neg@4 _ 1@5)) _)"},
        {"SIN(COS(0))", "(SIN@10 _ (COS@9 _ 0@8))"},
    };
    for (const TreeRow& row : rows) {
        SCOPED_TRACE(row.text);
        TExprTree tree = CompileExpression(row.text, row.variable);
        EXPECT_EQ(Show(tree.GetRoot()), row.tree);
        EXPECT_EQ(VariableName, row.variable);
    }
    VariableName = "X";
}

TEST(ParserTest, NodesCopyTheirTokens) {
    struct Row {
        const char* text;
        int32_t code;
        int32_t group;
        const char* nodeText;
        Real value;
        bool rightChild; // check the root's right child instead of the root
    } rows[] = {
        {"-3", Code::Negate, Group::Prefix, "-", 0, false},
        {"3.5", Code::Number, Group::Number, "3.5", 3.5L, false},
        {"SQRTX(1,2)", Code::SqrtX, Group::Function, "SQRTX", 2, false},
        {"SQRTX(1,2)", Code::ArgList, Group::ArgList, "", 0, true},
        {"MAX(1)", Code::Max, Group::Function, "MAX", -1, false},
        {"RND", Code::Rnd, Group::Function, "RND", 0, false},
        {"A:=1", Code::Assign, Group::Bracket, ":=", 0, false},
        {"1 STO A", Code::Sto, Group::Sto, "STO", 0, false},
        {"1 STO A", Code::MemoryA, Group::Memory, "A", 0, true},
        {"1->BIN", Code::ToBin, Group::BaseWord, "BIN", 0, false},
        {"1;2", Code::Semicolon, Group::Bracket, ";", 0, false},
        {"1>=2", Code::GreaterEqual, Group::Comparison, ">=", 0, false},
        {"4 DMS", Code::Dms, Group::Postfix, "DMS", 0, false},
        {"NOT 4", Code::Not, Group::Prefix, "NOT", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TExprTree tree = CompileExpression(row.text, "X");
        const TExprNode* node = row.rightChild ? tree.GetRoot()->Right : tree.GetRoot();
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Code, row.code);
        EXPECT_EQ(node->Group, row.group);
        EXPECT_EQ(node->Text, row.nodeText);
        EXPECT_EQ(node->Value, row.value);
    }
}

enum class Kind { Scan, Parse, Convert };

struct ErrorRow {
    std::string text;
    Kind kind;
    std::string message;
    int position;
    const char* variable = "X";
};

void ExpectError(const ErrorRow& row) {
    SCOPED_TRACE(row.text.size() > 60 ? row.text.substr(0, 60) + "..." : row.text);
    TExprTree tree;
    try {
        tree = CompileExpression(row.text, row.variable);
        ADD_FAILURE() << "compiled to " << Show(tree.GetRoot());
    } catch (const EScanError& e) {
        EXPECT_EQ(row.kind, Kind::Scan);
        EXPECT_EQ(e.what(), row.message);
        EXPECT_EQ(e.Position, row.position);
    } catch (const EParseError& e) {
        EXPECT_EQ(row.kind, Kind::Parse);
        EXPECT_EQ(e.what(), row.message);
        EXPECT_EQ(e.Position, row.position);
    } catch (const EConvertError& e) {
        EXPECT_EQ(row.kind, Kind::Convert);
        EXPECT_EQ(e.what(), row.message);
    }
    EXPECT_TRUE(tree.Empty());
    VariableName = "X";
}

const std::string Unexpected = "Unexpected expression";
const std::string Invalid = "Invalid expression";
const std::string OpenExpected = "( expected";
const std::string CloseExpected = ") expected";
const std::string TooLess = "Too less arguments";
const std::string TooMuch = "Too much arguments";

TEST(ParserTest, ErrorsAndTheirPositions) {
    const ErrorRow rows[] = {
        {"", Kind::Parse, Invalid, 0},
        {"   ", Kind::Parse, Invalid, 0},
        {"1 ", Kind::Parse, Unexpected, 1},
        {" 1 2", Kind::Parse, Unexpected, 2},
        {"2^3^2", Kind::Parse, Unexpected, 3},
        {"1<2<3", Kind::Parse, Unexpected, 3},
        {"3!!!", Kind::Parse, Unexpected, 3},
        {"1->HEX->HEX", Kind::Parse, Unexpected, 6},
        {"5->foo", Kind::Parse, Unexpected, 1},
        {"1, 2", Kind::Parse, Unexpected, 1},
        {"1 := 2", Kind::Parse, Unexpected, 1},
        {"SIN(1)(2)", Kind::Parse, Unexpected, 6},
        {"X:=1", Kind::Parse, Unexpected, 1},
        {"a:=1", Kind::Parse, Unexpected, 1, "A"},
        {"--3", Kind::Parse, Invalid, 1},
        {"NOT NOT 1", Kind::Parse, Invalid, 3},
        {"+-3", Kind::Parse, Invalid, 1},
        {"1 + * 2", Kind::Parse, Invalid, 3},
        {"->hex", Kind::Parse, Invalid, 0},
        {"1;", Kind::Parse, Invalid, 2},
        {"A:=", Kind::Parse, Invalid, 3},
        {"$G1", Kind::Parse, Invalid, 0},
        {"2*#", Kind::Parse, Invalid, 2},
        {"1+ %", Kind::Parse, Invalid, 2},
        {"(A:=1)", Kind::Parse, CloseExpected, 0},
        {"(1 STO A)", Kind::Parse, CloseExpected, 0},
        {"(1;2)", Kind::Parse, CloseExpected, 0},
        {"(1->HEX)", Kind::Parse, CloseExpected, 0},
        {"(2^3^2)", Kind::Parse, CloseExpected, 0},
        {"(1+2", Kind::Parse, CloseExpected, 0},
        {"1* (2", Kind::Parse, CloseExpected, 2},
        {")", Kind::Parse, OpenExpected, 0},
        {"1+)", Kind::Parse, OpenExpected, 2},
        {":=1", Kind::Parse, OpenExpected, 0},
        {"3 STO 4", Kind::Parse, "Constant storage expected", 5},
        {"1 STO PI", Kind::Parse, "Constant storage expected", 5},
        {"1 STO", Kind::Parse, "Constant storage expected", 5},
        {"1 STO SIN", Kind::Parse, "Constant storage expected", 5},
        {"SIN 1", Kind::Parse, TooLess, 3},
        {"SIN", Kind::Parse, TooLess, 3},
        {"2*cos", Kind::Parse, TooLess, 5},
        {"SQRTX(8)", Kind::Parse, TooLess, 7},
        {"SQRTX(8 )", Kind::Parse, TooLess, 7},
        {"SQRTX(3,8,1)", Kind::Parse, TooMuch, 9},
        {"SIN(1,2)", Kind::Parse, TooMuch, 5},
        {"SIN(1 ,2)", Kind::Parse, TooMuch, 5},
        {"RND()", Kind::Parse, "Function has no arguments", 3},
        {"MIN()", Kind::Parse, OpenExpected, 4},
        {"MAX(,1)", Kind::Parse, OpenExpected, 4},
        {"SQRTX(1,)", Kind::Parse, OpenExpected, 8},
        {"SIN(1", Kind::Parse, CloseExpected, 5},
        {"MAX(1,2 ", Kind::Parse, CloseExpected, 7},
        {"FOO", Kind::Parse, "Unknown identifier", 0},
        {"1+ foo", Kind::Parse, "Unknown identifier", 2},
        {"X", Kind::Parse, "Unknown identifier", 0, "T"},
        {"T:=1", Kind::Parse, "Unknown identifier", 0},
        {"2E", Kind::Scan, "Unexpected character", 2},
        {"1+2.", Kind::Scan, "Unexpected character", 4},
        {"A 1.", Kind::Scan, "Unexpected character", 4},
        {"1e99999", Kind::Convert, "'1e99999' is not a valid floating point value", 0},
        // ---- functions of any number of arguments still need their brackets ----
        {"MIN", Kind::Parse, TooLess, 3},
        {"MAX 2", Kind::Parse, TooLess, 3},
        {"1+min*2", Kind::Parse, TooLess, 5},
        {"MAX+1", Kind::Parse, TooLess, 3},
    };
    for (const ErrorRow& row : rows)
        ExpectError(row);
}

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

TEST(ParserTest, DeepNestingWithinTheBoundCompiles) {
    struct Row {
        const char* name;
        std::string text;
        int height;
    } rows[] = {
        {"500 brackets", Repeat("(", 500) + "1" + Repeat(")", 500), 1},
        {"1000 brackets", Repeat("(", 1000) + "1" + Repeat(")", 1000), 1},
        {"500 negated brackets", Repeat("-(", 500) + "1" + Repeat(")", 500), 501},
        {"1000 nested calls", Repeat("ABS(", 1000) + "1" + Repeat(")", 1000), 1001},
        {"sum of 2000 terms", "1" + Repeat("+1", 1999), 2000},
        {"1998 arguments", "MAX(1" + Repeat(",1", 1997) + ")", 2000},
        {"999 bracketed sums", Repeat("1+-(", 999) + "1" + Repeat(")", 999), 1999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TExprTree tree = CompileExpression(row.text, "X");
        EXPECT_EQ(Height(tree.GetRoot()), row.height);
    }
}

TEST(ParserTest, TooDeepInputIsRefusedWhereTheBoundIsHit) {
    const std::string tooDeep = "Expression nested too deeply";
    const ErrorRow rows[] = {
        // the 1001st "(" opens one level too many
        {Repeat("(", 10000), Kind::Parse, tooDeep, 1000},
        {Repeat("(", 1001) + "1" + Repeat(")", 1001), Kind::Parse, tooDeep, 1000},
        {Repeat("-(", 3000) + "1", Kind::Parse, tooDeep, 2001},
        {Repeat("SIN(", 3000) + "1", Kind::Parse, tooDeep, 4003},
        {Repeat("ABS(", 1001) + "1" + Repeat(")", 1001), Kind::Parse, tooDeep, 4003},
        // the 2000th operator would make the tree 2001 levels deep
        {"1" + Repeat("+1", 100000), Kind::Parse, tooDeep, 3999},
        {"1" + Repeat(";1", 100000), Kind::Parse, tooDeep, 3999},
        {"1" + Repeat("*1", 2000), Kind::Parse, tooDeep, 3999},
        // the list node before argument 1999 is too deep
        {"MAX(1" + Repeat(",1", 3000) + ")", Kind::Parse, tooDeep, 3999},
        // nesting within bounds, tree too deep: the outermost "+" is the 2001st level
        {Repeat("1+-(", 1000) + "1" + Repeat(")", 1000), Kind::Parse, tooDeep, 1},
        // six levels per bracket, every level of the grammar on the stack at once: the "*" of
        // the 334th call from the inside is the first node 2001 levels deep
        {Repeat("1 OR 2 XOR 3 AND 4 + 5 * SIN(", 1000) + "1" + Repeat(")", 1000), Kind::Parse,
         tooDeep, 29 * 666 + 22},
    };
    for (const ErrorRow& row : rows)
        ExpectError(row);
}

TEST(ParserTest, FailedCompilationLeavesTheHandleEmpty) {
    TExprTree tree = CompileExpression("1+2", "X");
    ASSERT_FALSE(tree.Empty());
    try {
        tree = CompileExpression("1+2*(3", "X");
    } catch (const EParseError&) {
    }
    // the old tree is kept when the new one fails
    EXPECT_EQ(Show(tree.GetRoot()), "(+@1 1@0 2@2)");
    FreeTree(tree);
    EXPECT_TRUE(tree.Empty());
    FreeTree(tree); // an empty handle is left alone
    EXPECT_TRUE(tree.Empty());
}

TEST(ParserTest, TextEndsAtTheFirstNul) {
    const std::string text("1+2\0+3", 6);
    TExprTree tree = CompileExpression(text, "X");
    EXPECT_EQ(Show(tree.GetRoot()), "(+@1 1@0 2@2)");
}

// Builds a degenerate tree by hand: each new node hangs the previous one on `side`.
TExprNode* Chain(int length, bool left, bool zigzag) {
    TExprNode* node = nullptr;
    for (int i = 0; i < length; ++i) {
        auto* parent = new TExprNode;
        const bool toLeft = zigzag ? (i % 2 == 0) : left;
        (toLeft ? parent->Left : parent->Right) = node;
        if (zigzag) (toLeft ? parent->Right : parent->Left) = new TExprNode;
        node = parent;
    }
    return node;
}

TEST(ParserTest, FreeNodesHandlesAnyDepth) {
    struct Row {
        const char* name;
        bool left;
        bool zigzag;
    } rows[] = {
        {"left chain", true, false}, {"right chain", false, false}, {"zigzag", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // far deeper than any stack could recurse; the sanitizer build checks that all is freed
        FreeNodes(Chain(300000, row.left, row.zigzag));
    }
    FreeNodes(nullptr);
}

} // namespace
