#include "ui/AppRules.h"

namespace zez {

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

std::u16string ApplicationTitle(std::u16string_view programPath, TCharLower lower) {
  // A drive letter ("C:NAME.EXE") ends the folder part too.
  const auto slash = programPath.find_last_of(u"\\/:");
  std::u16string_view name =
      slash == std::u16string_view::npos ? programPath : programPath.substr(slash + 1);
  name = name.substr(0, name.find(u'.'));
  std::u16string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = lower(title[i]);
  return title;
}

std::u16string ErrorBoxText(std::u16string_view message) {
  std::u16string text(message);
  if (!text.empty() && text.back() > u'.') text += u'.';
  return text;
}

}  // namespace zez
