// SPDX-License-Identifier: GPL-3.0-or-later
// The window's texts from the gettext catalogue, as QString. xgettext knows both helpers as
// keywords (po/CMakeLists.txt), so they mark the text as well:
//   label->setText(uiText("Output folder:"));
//   uiCount("%n image", "%n images", count)        // %n: the count, in the plural form it needs
//   uiText("Resizing %1 of %2").arg(done).arg(total)
// A constant marked with N_() in the core is shown as uiText(kConstant).
#pragma once

#include <QString>

#include "settings/Translation.h"

namespace varnholt {

inline QString uiText(const char* msgid) { return QString::fromUtf8(_(msgid)); }

inline QString uiCount(const char* singular, const char* plural, qulonglong n) {
    return QString::fromUtf8(P_(singular, plural, n))
        .replace(QLatin1String("%n"), QString::number(n));
}

}  // namespace varnholt
