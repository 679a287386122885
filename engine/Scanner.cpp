#include "engine/Scanner.h"

#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/StringTable.h"

const TFunctionEntry FunctionTable[FunctionCount] = {
    {"SQRT", 1},   {"SQRT3", 1}, {"SQRTX", 2}, {"EXP", 1},  {"EXP10", 1},  {"LN", 1},
    {"LOG", 1},    {"SIN", 1},   {"COS", 1},   {"TAN", 1},  {"ARCSIN", 1}, {"ARCCOS", 1},
    {"ARCTAN", 1}, {"SINH", 1},  {"COSH", 1},  {"TANH", 1}, {"ARSINH", 1}, {"ARCOSH", 1},
    {"ARTANH", 1}, {"ABS", 1},   {"RND", 0},   {"SGN", 1},  {"STEP", 1},   {"INT", 1},
    {"MIN", -1},   {"MAX", -1},
};

const TOperatorEntry OperatorTable[OperatorCount] = {
    {":=", Group::Bracket},
    {"=", Group::Comparison},
    {"<>", Group::Comparison},
    {"<", Group::Comparison},
    {"<=", Group::Comparison},
    {">", Group::Comparison},
    {">=", Group::Comparison},
    {"OR", Group::Or},
    {"XOR", Group::Xor},
    {"AND", Group::And},
    {"+", Group::Additive},
    {"-", Group::Additive},
    {"*", Group::Multiplicative},
    {"/", Group::Multiplicative},
    {"MOD", Group::Multiplicative},
    {"^", Group::Power},
    {"PERM", Group::Power},
    {"KOMB", Group::Power},
    {"POL", Group::Power},
    {"REC", Group::Power},
    {"!", Group::Postfix},
    {"DEG", Group::Postfix},
    {"DMS", Group::Postfix},
    {"NOT", Group::Prefix},
    {"-", Group::Prefix},
};

namespace {

constexpr const char* MemoryNames = "ABCDEFGHIJ";
constexpr const char* BaseWords[] = {"DEZ", "HEX", "BIN"};

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
bool IsBinDigit(unsigned char c) {
    return c == '0' || c == '1';
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

void SetToken(TToken& token, int32_t code, int32_t group, std::string_view text) {
    token.Code = code;
    token.Group = group;
    token.Text.assign(text.substr(0, MaxTokenText));
    token.Value = 0;
}

// Looks a word up among the operator words of OperatorTable (the symbol rows never match).
bool FindOperatorWord(const std::string& word, TToken& token) {
    for (int row = 0; row < OperatorCount; ++row) {
        const char* text = OperatorTable[row].Text;
        if (IsLetter(static_cast<unsigned char>(text[0])) && word == text) {
            SetToken(token, Code::Assign + row, OperatorTable[row].Group, word);
            return true;
        }
    }
    return false;
}

// The scanner's view of one text: characters as unsigned values; a NUL character or the end
// of the view ends the text. Reading only forward from the cursor finds the first NUL without
// searching the whole text at every token.
class TReader {
public:
    explicit TReader(std::string_view text) : Text(text) {}

    bool AtEnd(std::size_t i) const { return At(i) == 0; }
    unsigned char At(std::size_t i) const {
        return i < Text.size() ? static_cast<unsigned char>(Text[i]) : 0;
    }
    std::string_view Slice(std::size_t from, std::size_t to) const {
        return Text.substr(from, to - from);
    }

private:
    std::string_view Text;
};

// Decimal literal: [digits] ["." digits] [("E"|"e") ["+"|"-"] digits].
void ScanNumber(const TReader& reader, std::size_t& cursor, TToken& token) {
    std::string text;
    const auto requireDigits = [&] {
        if (!IsDigit(reader.At(cursor))) {
            SetToken(token, Code::Invalid, Group::Invalid, text);
            throw EScanError(LoadStr(Msg::UnexpectedCharacter), static_cast<int>(cursor));
        }
        while (IsDigit(reader.At(cursor)))
            text += static_cast<char>(reader.At(cursor++));
    };
    if (reader.At(cursor) != '.') requireDigits();
    if (reader.At(cursor) == '.') {
        text += '.';
        ++cursor;
        requireDigits();
    }
    if (reader.At(cursor) == 'E' || reader.At(cursor) == 'e') {
        text += static_cast<char>(reader.At(cursor++));
        if (reader.At(cursor) == '-')
            text += static_cast<char>(reader.At(cursor++));
        else if (reader.At(cursor) == '+')
            ++cursor; // a "+" is not kept in the literal's text
        requireDigits();
    }
    const Real value = DotTextToFloat(text);
    SetToken(token, Code::Number, Group::Number, text);
    token.Value = value;
}

// "$" and "#" literals: the first character after the prefix is always taken.
template <typename TIsDigit, typename TConvert>
void ScanBasedNumber(const TReader& reader, std::size_t& cursor, TToken& token, TIsDigit isDigit,
                     TConvert convert) {
    ++cursor; // the prefix
    if (reader.AtEnd(cursor)) {
        SetToken(token, Code::Invalid, Group::Invalid, "");
        return;
    }
    const std::size_t start = cursor++;
    while (isDigit(reader.At(cursor)))
        ++cursor;
    const std::string_view digits = reader.Slice(start, cursor);
    try {
        const int32_t value = convert(digits);
        SetToken(token, Code::Number, Group::Number, digits);
        token.Value = value;
    } catch (const EConvertError&) {
        SetToken(token, Code::Invalid, Group::Invalid, digits);
    }
}

void ScanIdentifier(const TReader& reader, std::size_t& cursor, TToken& token) {
    const std::size_t start = cursor;
    while (IsLetter(reader.At(cursor)) || IsDigit(reader.At(cursor)))
        ++cursor;
    const std::string word = UpperCase(reader.Slice(start, cursor));

    for (int row = 0; row < FunctionCount; ++row) {
        if (word == FunctionTable[row].Name) {
            SetToken(token, Code::FirstFunction + row, Group::Function, word);
            token.Value = FunctionTable[row].ArgCount;
            return;
        }
    }
    if (word == VariableName) return SetToken(token, Code::Variable, Group::Variable, word);
    if (word == "PI") return SetToken(token, Code::Pi, Group::Pi, word);
    if (word.size() == 1) {
        for (int index = 0; index < MemoryCount; ++index)
            if (word[0] == MemoryNames[index])
                return SetToken(token, Code::MemoryA + index, Group::Memory, word);
    }
    if (FindOperatorWord(word, token)) return;
    if (word == "STO") return SetToken(token, Code::Sto, Group::Sto, word);
    SetToken(token, Code::UnknownIdentifier, Group::Unknown, word);
}

// "->" followed by a word: a postfix or coordinate operator, or a display-base word.
void ScanConversion(const TReader& reader, std::size_t& cursor, TToken& token) {
    cursor += 2; // "->"
    const std::size_t start = cursor;
    if (!reader.AtEnd(cursor)) ++cursor; // the first character is always taken
    while (IsLetter(reader.At(cursor)))
        ++cursor;
    const std::string word = UpperCase(reader.Slice(start, cursor));
    if (FindOperatorWord(word, token)) return;
    for (int index = 0; index < 3; ++index)
        if (word == BaseWords[index])
            return SetToken(token, Code::ToDez + index, Group::BaseWord, word);
    SetToken(token, Code::Invalid, Group::Invalid, word);
}

} // namespace

bool ScanToken(std::string_view text, std::size_t& cursor, TToken& token) {
    const TReader reader(text);
    // Blanks, control characters, "~" and everything above it only separate tokens.
    while (!reader.AtEnd(cursor) && (reader.At(cursor) <= 32 || reader.At(cursor) >= 126))
        ++cursor;
    if (reader.AtEnd(cursor)) {
        if (cursor > text.size()) cursor = text.size();
        SetToken(token, Code::End, Group::End, "");
        return false;
    }

    const unsigned char c = reader.At(cursor);
    const unsigned char next = reader.At(cursor + 1);
    const auto symbol = [&](int32_t code, int32_t group, std::string_view symbolText) {
        SetToken(token, code, group, symbolText);
        cursor += symbolText.size();
    };
    switch (c) {
    case '!':
        symbol(Code::Factorial, Group::Postfix, "!");
        break;
    case '(':
        symbol(Code::OpenBracket, Group::Bracket, "(");
        break;
    case ')':
        symbol(Code::CloseBracket, Group::Bracket, ")");
        break;
    case ',':
        symbol(Code::Comma, Group::Bracket, ",");
        break;
    case ';':
        symbol(Code::Semicolon, Group::Bracket, ";");
        break;
    case '*':
        symbol(Code::Times, Group::Multiplicative, "*");
        break;
    case '/':
        symbol(Code::Divide, Group::Multiplicative, "/");
        break;
    case '+':
        symbol(Code::Plus, Group::Additive, "+");
        break;
    case '^':
        symbol(Code::Power, Group::Power, "^");
        break;
    case '=':
        symbol(Code::Equal, Group::Comparison, "=");
        break;
    case '-':
        if (next == '>')
            ScanConversion(reader, cursor, token);
        else
            symbol(Code::Minus, Group::Additive, "-");
        break;
    case '<':
        if (next == '=')
            symbol(Code::LessEqual, Group::Comparison, "<=");
        else if (next == '>')
            symbol(Code::NotEqual, Group::Comparison, "<>");
        else
            symbol(Code::Less, Group::Comparison, "<");
        break;
    case '>':
        if (next == '=') {
            symbol(Code::GreaterEqual, Group::Comparison, ">=");
        } else if (next == '<') {
            SetToken(token, Code::NotEqual, Group::Comparison, "<>");
            cursor += 2;
        } else {
            symbol(Code::Greater, Group::Comparison, ">");
        }
        break;
    case ':':
        if (next == '=') {
            symbol(Code::Assign, Group::Bracket, ":=");
        } else {
            SetToken(token, Code::Invalid, Group::Invalid, "");
            ++cursor;
        }
        break;
    case '$':
        ScanBasedNumber(reader, cursor, token, IsHexDigit, HexTextToInt);
        break;
    case '#':
        ScanBasedNumber(reader, cursor, token, IsBinDigit, BinTextToInt);
        break;
    default:
        if (c == '.' || IsDigit(c)) {
            ScanNumber(reader, cursor, token);
        } else if (IsLetter(c)) {
            ScanIdentifier(reader, cursor, token);
        } else {
            SetToken(token, Code::Invalid, Group::Invalid, "");
            ++cursor;
        }
        break;
    }
    return true;
}
