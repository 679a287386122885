#include "engine/StringTable.h"

#include <map>

namespace {

const std::map<int, std::string>& Table() {
    static const std::map<int, std::string> table = {
        {1, "Invalid hexadecimal number"},
        {2, "Invalid binary number"},
        {204, "Hide coordiante window"},
        {205, "Show coordinate window"},
        {206, "Zoom off"},
        {207, "Zoom on"},
        {300, "Invalid function pointer"},
        {301, "Negative argument"},
        {302, "Argument zero or negative"},
        {303, "Root power zero or negative"},
        {304, "Argument zero or negative"},
        {305, "Function value not defined"},
        {306, "Argument > 1"},
        {307, "Argument < 1"},
        {308, "Division by zero"},
        {309, "Power out of range"},
        {310, "Operand < 0"},
        {311, "Assignment target invalid"},
        {400, "Too much arguments"},
        {401, "Too less arguments"},
        {402, "expected"},
        {403, "Function has no arguments"},
        {404, "Invalid expression"},
        {405, "Unknown identifier"},
        {406, "Constant storage expected"},
        {407, "Unexpected expression"},
        {408, "Expression nested too deeply"},
        {600, "Unexpected character"},
        {700, "Start of display range"},
        {701, "End of display range"},
        {702, "Start decade"},
        {703, "End decade"},
        {800, "&more"},
        {801, "&less"},
        {802, "Display in full size"},
        {803, "Reduce to input line"},
        {10000, "Quoril for Windows"},
    };
    return table;
}

} // namespace

const std::string& LoadStr(int ident) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(ident);
    return it == table.end() ? empty : it->second;
}
