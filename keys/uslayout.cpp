#include "uslayout.h"

#include "virtualkeys.h"

#include <iterator>

namespace {

constexpr UsLayoutKey kKeys[] = {
    {'\t', vk::kTab, false},      {'\r', vk::kReturn, false},     {' ', vk::kSpace, false},
    {'!', '1', true},             {'@', '2', true},               {'#', '3', true},
    {'$', '4', true},             {'%', '5', true},               {'^', '6', true},
    {'&', '7', true},             {'*', '8', true},               {'(', '9', true},
    {')', '0', true},             {'-', vk::kOemMinus, false},    {'_', vk::kOemMinus, true},
    {'=', vk::kOemPlus, false},   {'+', vk::kOemPlus, true},      {';', vk::kOem1, false},
    {':', vk::kOem1, true},       {'/', vk::kOem2, false},        {'?', vk::kOem2, true},
    {'`', vk::kOem3, false},      {'~', vk::kOem3, true},         {'[', vk::kOem4, false},
    {'{', vk::kOem4, true},       {'\\', vk::kOem5, false},       {'|', vk::kOem5, true},
    {']', vk::kOem6, false},      {'}', vk::kOem6, true},         {'\'', vk::kOem7, false},
    {'"', vk::kOem7, true},       {',', vk::kOemComma, false},    {'<', vk::kOemComma, true},
    {'.', vk::kOemPeriod, false}, {'>', vk::kOemPeriod, true},
};

constexpr char kCaseOffset = 'a' - 'A';

// Keys that give the same character with and without Shift.
bool shiftIgnored(std::uint8_t virtualKey)
{
    return virtualKey == vk::kTab || virtualKey == vk::kReturn || virtualKey == vk::kSpace;
}

} // namespace

const UsLayoutKey *usLayoutKeysBegin()
{
    return std::begin(kKeys);
}

const UsLayoutKey *usLayoutKeysEnd()
{
    return std::end(kKeys);
}

char usLayoutCharacter(std::uint8_t virtualKey, bool shifted, bool caseUpper)
{
    if (virtualKey >= vk::kLetterA && virtualKey <= vk::kLetterZ) {
        const char upper = static_cast<char>(virtualKey);
        return caseUpper ? upper : static_cast<char>(upper + kCaseOffset);
    }
    if (virtualKey >= vk::kDigit0 && virtualKey <= vk::kDigit9 && !shifted)
        return static_cast<char>(virtualKey);
    if (shiftIgnored(virtualKey))
        shifted = false;
    for (const UsLayoutKey &key : kKeys) {
        if (key.virtualKey == virtualKey && key.shifted == shifted)
            return key.character;
    }
    return 0;
}
