// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace varnholt {

// Where the user guide may be, most specific first: next to an installed program, in the
// configured documentation folder, in the source tree of a development build.
QStringList userGuideCandidates(const QString& applicationDir);

// The first candidate that exists as a file URL; an invalid URL when none does.
QUrl userGuideUrl(const QStringList& candidates);

}  // namespace varnholt
