// SPDX-License-Identifier: GPL-3.0-or-later
// The user's language through gettext: one catalogue, the text domain "varnholt", for the core,
// the command line and the window. Texts are marked where they are written, so that xgettext
// finds them (po/CMakeLists.txt names the keywords):
//   _("Text")                    the text in the user's language (const char*, UTF-8)
//   N_("Text")                   marked only, translated later where it is shown: _(kConstant)
//   P_("One", "Many", n)         the plural form for the count n, a whole sentence each
// A number or a name goes into a sentence as %1, %2 ... through fillIn(), so a translation
// may move it. Under C, POSIX and English every text is the one written here.
#pragma once

#include <libintl.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace varnholt {

inline constexpr const char* kTextDomain = "varnholt";

// Where the catalogues are read from: the build tree's compiled ones when the program runs from
// its build folder, else the installed locale folder.
std::string catalogueFolder();

// Binds the text domain to catalogueFolder(), its texts handed out as UTF-8 whatever the
// locale's character set, and makes it the program's default domain. Called once at start,
// after setlocale.
void setUpTranslations();

// text with %1 ... %9 replaced by args[0] ... args[8] in one pass: an argument holding "%2"
// stays as it is. A placeholder without an argument is kept.
std::string fillIn(std::string_view text, std::initializer_list<std::string_view> args);

}  // namespace varnholt

#define _(msgid) ::dgettext(::varnholt::kTextDomain, msgid)
#define N_(msgid) msgid
#define P_(singular, plural, n) \
    ::dngettext(::varnholt::kTextDomain, singular, plural, static_cast<unsigned long>(n))
