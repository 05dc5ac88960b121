// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace varnholt {

// Qt's own texts (file dialog, standard buttons, line-edit menus) in the user's language: loads
// qtbase_<language>.qm from Qt's translations folder into application. A language Qt has no
// catalogue for leaves them English.
void loadQtTranslations(QCoreApplication& application);

}  // namespace varnholt
