#include "platform/win/locale.h"

#include <cstring>

namespace {

struct Language {
  WORD primary;  // the low ten bits of a language id
  const char* name;
};

constexpr Language kLanguages[] = {
    {0x01, "Arabic"},   {0x02, "Bulgarian"},  {0x03, "Catalan"},    {0x04, "Chinese"},
    {0x05, "Czech"},    {0x06, "Danish"},     {0x07, "German"},     {0x08, "Greek"},
    {0x09, "English"},  {0x0A, "Spanish"},    {0x0B, "Finnish"},    {0x0C, "French"},
    {0x0D, "Hebrew"},   {0x0E, "Hungarian"},  {0x0F, "Icelandic"},  {0x10, "Italian"},
    {0x11, "Japanese"}, {0x12, "Korean"},     {0x13, "Dutch"},      {0x14, "Norwegian"},
    {0x15, "Polish"},   {0x16, "Portuguese"}, {0x18, "Romanian"},   {0x19, "Russian"},
    {0x1A, "Croatian"}, {0x1B, "Slovak"},     {0x1D, "Swedish"},    {0x1E, "Thai"},
    {0x1F, "Turkish"},  {0x22, "Ukrainian"},  {0x24, "Slovenian"},  {0x25, "Estonian"},
    {0x26, "Latvian"},  {0x27, "Lithuanian"}, {0x2A, "Vietnamese"}, {0x39, "Hindi"},
};

}  // namespace

int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size) {
  if (type != LOCALE_SENGLANGUAGE || size < 0 || (size > 0 && !data)) return 0;
  const WORD primary = locale & 0x3FF;
  for (const Language& l : kLanguages) {
    if (l.primary != primary) continue;
    const int needed = static_cast<int>(std::strlen(l.name)) + 1;
    if (size == 0) return needed;
    if (size < needed) return 0;
    std::memcpy(data, l.name, needed);
    return needed;
  }
  return 0;
}
