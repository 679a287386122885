#include "engine/Parser.h"

#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A parsed subtree and its height (a leaf has height 1).
struct TSub {
    TExprNode* Node;
    int Height;
};

// Recursive descent, one procedure per precedence level; the loop levels "OR" to "*" share
// one precedence-climbing procedure so that a bracket costs few stack frames. Every node the
// parser allocates is recorded until the whole text is accepted, so that a failure anywhere
// frees exactly what was built.
class TParser {
public:
    explicit TParser(std::string_view text) : Text(text) {}
    ~TParser() {
        for (TExprNode* node : Nodes)
            delete node;
    }
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    // Parses the whole text; the caller then owns the tree.
    TExprNode* Parse() {
        TExprNode* root = StatementList().Node;
        if (Cursor != Text.size()) Fail(Msg::UnexpectedExpression, Cursor);
        Nodes.clear();
        return root;
    }

private:
    std::string_view Text;
    std::size_t Cursor = 0;
    TToken Tok; // the token just scanned
    int Nesting = 0;
    std::vector<TExprNode*> Nodes;

    [[noreturn]] static void Fail(int message, std::size_t position) {
        throw EParseError(LoadStr(message), static_cast<int>(position));
    }
    [[noreturn]] static void FailBracket(char bracket, std::size_t position) {
        throw EParseError(std::string(1, bracket) + " " + LoadStr(Msg::Expected),
                          static_cast<int>(position));
    }

    // Scans the next token into Tok and returns where its scanning began.
    std::size_t Scan() {
        const std::size_t start = Cursor;
        ScanToken(Text, Cursor, Tok);
        return start;
    }

    // A node made from the current token.
    TExprNode* NewNode(std::size_t pos) {
        std::unique_ptr<TExprNode> owned(new TExprNode);
        Nodes.push_back(owned.get());
        TExprNode* node = owned.release();
        node->Text = Tok.Text;
        node->Code = Tok.Code;
        node->Group = Tok.Group;
        node->Value = Tok.Value;
        node->Pos = static_cast<int>(pos);
        return node;
    }

    // Hangs the operands under `node`; a tree deeper than MaxTreeDepth is refused at the node.
    static TSub Join(TExprNode* node, TSub left, TSub right) {
        node->Left = left.Node;
        node->Right = right.Node;
        const int height = 1 + std::max(left.Height, right.Height);
        if (height > MaxTreeDepth) Fail(Msg::NestedTooDeeply, static_cast<std::size_t>(node->Pos));
        return {node, height};
    }

    // Entering a bracket or an argument list; the bound keeps the recursion off the stack's end.
    void Enter(std::size_t position) {
        if (++Nesting > MaxNestingDepth) Fail(Msg::NestedTooDeeply, position);
    }
    void Leave() { --Nesting; }

    TSub StatementList() {
        TSub left = Statement();
        for (;;) {
            const std::size_t save = Cursor;
            const std::size_t start = Scan();
            if (Tok.Code != Code::Semicolon) {
                Cursor = save;
                return left;
            }
            TExprNode* node = NewNode(start);
            left = Join(node, left, Statement());
        }
    }

    TSub Statement() {
        const std::size_t start = Scan();
        if (Tok.Group == Group::Memory) {
            const TToken memory = Tok;
            Scan();
            if (Tok.Code == Code::Assign) {
                TExprNode* assign = NewNode(start);
                Tok = memory;
                TExprNode* leaf = NewNode(start);
                return Join(assign, {leaf, 1}, Conversion());
            }
        }
        Cursor = start;
        TSub expression = Conversion();
        const std::size_t save = Cursor;
        const std::size_t stoPos = Scan();
        if (Tok.Code != Code::Sto) {
            Cursor = save;
            return expression;
        }
        TExprNode* sto = NewNode(stoPos);
        const std::size_t targetPos = Scan();
        if (Tok.Group != Group::Memory && Tok.Group != Group::Variable)
            Fail(Msg::ConstantStorageExpected, targetPos);
        return Join(sto, expression, {NewNode(targetPos), 1});
    }

    TSub Conversion() {
        TSub expression = Comparison();
        const std::size_t save = Cursor;
        const std::size_t start = Scan();
        if (Tok.Group != Group::BaseWord) {
            Cursor = save;
            return expression;
        }
        return Join(NewNode(start), expression, {nullptr, 0});
    }

    TSub Comparison() {
        TSub left = Binary(Group::Or);
        const std::size_t save = Cursor;
        const std::size_t start = Scan();
        if (Tok.Group != Group::Comparison) {
            Cursor = save;
            return left;
        }
        TExprNode* node = NewNode(start);
        return Join(node, left, Binary(Group::Or));
    }

    // The left-associative levels "OR", "XOR", "AND", "+ -", "* / MOD": operators of group
    // minGroup or higher bind here; the right operand takes only stronger ones.
    TSub Binary(int32_t minGroup) {
        TSub left = Power();
        for (;;) {
            const std::size_t save = Cursor;
            const std::size_t start = Scan();
            const int32_t group = Tok.Group;
            if (group < minGroup || group > Group::Multiplicative) {
                Cursor = save;
                return left;
            }
            TExprNode* node = NewNode(start);
            left = Join(node, left, group == Group::Multiplicative ? Power() : Binary(group + 1));
        }
    }

    TSub Power() {
        TSub left = Postfix();
        const std::size_t save = Cursor;
        const std::size_t start = Scan();
        if (Tok.Group != Group::Power) {
            Cursor = save;
            return left;
        }
        TExprNode* node = NewNode(start);
        return Join(node, left, Postfix());
    }

    TSub Postfix() { return PostfixOn(Prefix()); }

    // One optional postfix operator ("!", "DEG", "DMS") applied to `operand`.
    TSub PostfixOn(TSub operand) {
        const std::size_t save = Cursor;
        const std::size_t start = Scan();
        if (Tok.Group != Group::Postfix) {
            Cursor = save;
            return operand;
        }
        return Join(NewNode(start), operand, {nullptr, 0});
    }

    TSub Prefix() {
        const std::size_t save = Cursor;
        const std::size_t start = Scan();
        if (Tok.Code == Code::Not || Tok.Code == Code::Minus) {
            TExprNode* node = NewNode(start);
            if (node->Code == Code::Minus) {
                node->Code = Code::Negate;
                node->Group = Group::Prefix;
            }
            return Join(node, {nullptr, 0}, Primary());
        }
        if (Tok.Code != Code::Plus) Cursor = save;
        return Primary();
    }

    TSub Primary() {
        const std::size_t start = Scan();
        TSub primary{nullptr, 0};
        switch (Tok.Group) {
        case Group::Bracket:
            if (Tok.Code != Code::OpenBracket) FailBracket('(', start);
            Enter(start);
            primary = Comparison();
            Leave();
            Scan();
            if (Tok.Code != Code::CloseBracket) FailBracket(')', start);
            break;
        case Group::Function:
            primary = FunctionCall();
            break;
        case Group::Variable:
        case Group::Pi:
        case Group::Memory:
        case Group::Number:
            primary = {NewNode(start), 1};
            break;
        case Group::Unknown:
            Fail(Msg::UnknownIdentifier, start);
        default:
            Fail(Msg::InvalidExpression, start);
        }
        return PostfixOn(primary);
    }

    // The function name is the current token.
    TSub FunctionCall() {
        const std::size_t afterName = Cursor;
        TExprNode* function = NewNode(afterName);
        const auto argCount = static_cast<int32_t>(function->Value);
        const std::size_t open = Scan();
        if (Tok.Code != Code::OpenBracket) {
            Cursor = afterName;
            if (argCount != 0) Fail(Msg::TooLessArguments, afterName);
            return {function, 1};
        }
        if (argCount == 0) Fail(Msg::FunctionHasNoArguments, afterName);
        Enter(open);
        const TSub arguments = ArgumentList(argCount);
        Leave();
        const std::size_t afterArguments = Cursor;
        Scan();
        if (Tok.Code != Code::CloseBracket) FailBracket(')', afterArguments);
        function->Pos = static_cast<int>(afterArguments);
        return Join(function, {nullptr, 0}, arguments);
    }

    // One argument, or from the first "," on a chain of list nodes, one per argument.
    TSub ArgumentList(int32_t argCount) {
        const TSub first = Comparison();
        int count = 1;
        TExprNode* head = nullptr;
        TExprNode* tail = nullptr;
        int height = first.Height; // height of the chain built so far
        for (;;) {
            const std::size_t beforeComma = Cursor;
            Scan();
            if (Tok.Code != Code::Comma) {
                Cursor = beforeComma;
                break;
            }
            ++count;
            if (argCount != -1 && count > argCount) Fail(Msg::TooMuchArguments, beforeComma);
            if (!head) {
                head = tail = ListNode(Cursor);
                head->Left = first.Node;
                height = first.Height + 1;
            }
            TExprNode* node = ListNode(beforeComma);
            const TSub argument = Comparison();
            node->Left = argument.Node;
            tail->Right = node;
            tail = node;
            // the count-th list node lies count - 1 levels below the head
            height = std::max(height, count + argument.Height);
            if (height + 1 > MaxTreeDepth) Fail(Msg::NestedTooDeeply, beforeComma);
        }
        if (count < argCount) Fail(Msg::TooLessArguments, Cursor);
        if (!head) return first;
        return {head, height};
    }

    TExprNode* ListNode(std::size_t pos) {
        Tok.Text.clear();
        Tok.Code = Code::ArgList;
        Tok.Group = Group::ArgList;
        Tok.Value = 0;
        return NewNode(pos);
    }
};

} // namespace

TExprTree CompileExpression(std::string_view text, std::string_view variableName) {
    VariableName = variableName;
    TExprNode* root;
    {
        TParser parser(text.substr(0, text.find('\0')));
        root = parser.Parse();
    }
    return TExprTree(root);
}

void FreeNodes(TExprNode* node) noexcept {
    // Rotates left subtrees to the right until the node has none, then frees it and moves on:
    // no recursion and no extra memory, whatever the shape of the tree.
    while (node) {
        if (TExprNode* left = node->Left) {
            node->Left = left->Right;
            left->Right = node;
            node = left;
        } else {
            TExprNode* right = node->Right;
            delete node;
            node = right;
        }
    }
}
