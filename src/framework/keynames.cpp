#include "framework/keynames.h"

#include <map>

#include "framework/globals.h"

namespace {

const std::map<int32_t, std::string>& KeyTable() {
  static const std::map<int32_t, std::string> table = [] {
    std::map<int32_t, std::string> t = {
        {0, "Pause"},         {1, "Left Mousebutton"}, {2, "Right Mousebutton"}, {3, "Middle Mousebutton"},
        {8, "Backspace"},     {9, "Tab"},              {12, "Clear"},            {13, "Return"},
        {19, "Pause"},        {20, "CapsLock"},        {27, "Escape"},           {32, "Space"},
        {33, "Page Up"},      {34, "Page Down"},       {35, "End"},              {36, "Home"},
        {37, "Left"},         {38, "Up"},              {39, "Right"},            {40, "Down"},
        {41, "Select"},       {42, "Print"},           {43, "Execute"},          {44, "Screen"},
        {45, "Insert"},       {46, "Delete"},          {91, "Sys Left"},         {92, "Sys Right"},
        {106, "*"},           {107, "+"},              {109, "-"},               {110, "."},
        {111, "/"},           {144, "NumLock"},        {145, "ScrollLock"},      {160, "LShift"},
        {161, "RShift"},      {162, "LControl"},       {163, "RControl"},        {164, "LAlt"},
        {165, "RAlt"},        {173, "Mute"},           {174, "Volume Down"},     {175, "Volume Up"},
        {186, ";"},           {187, "="},              {188, ","},               {189, "-"},
        {190, "."},           {191, "/"},              {192, "'"},               {219, "["},
        {220, "\\"},          {221, "]"},              {222, "#"},               {223, "`"},
        {226, "\\"},
    };
    for (int32_t d = 0; d <= 9; ++d) {
      t[48 + d] = std::string(1, static_cast<char>('0' + d));
      t[96 + d] = std::string(1, static_cast<char>('0' + d));
    }
    for (int32_t l = 0; l < 26; ++l) t[65 + l] = std::string(1, static_cast<char>('A' + l));
    for (int32_t f = 1; f <= 12; ++f) t[111 + f] = "F" + std::to_string(f);
    return t;
  }();
  return table;
}

const char* PartName(int32_t part) {
  static const char* const axes[12] = {"Y-", "Y+", "X-", "X+", "Z-", "Z+", "U-", "U+", "V-", "V+", "R-", "R+"};
  if (part >= 0 && part < 12) return axes[part];
  switch (part) {
    case 20: return "Up";
    case 23: return "Left";
    case 25: return "Right";
    case 28: return "Down";
    default: return nullptr;
  }
}

}  // namespace

std::string KeyName(int32_t code) {
  const auto& table = KeyTable();
  auto it = table.find(code);
  if (it != table.end()) return it->second;
  // The remainder keeps the sign of the code: a negative code names no
  // input and reads as a negative number.
  fp = code % 50;
  if (const char* name = PartName(fp)) return name;
  return std::to_string(fp - 30);
}
