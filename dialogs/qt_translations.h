#pragma once

// Qt's own Japanese texts, so that what Qt draws itself (file dialogs, message-box
// buttons, context menus of edits) speaks the language of the rest of the program.

namespace ui {

// Installs qtbase_ja from Qt's translations folder into the running application and makes
// Japanese the default locale. Safe to call more than once (the later calls do nothing).
// true when the translations are in place; false without an application object or
// when the file is missing (Qt's English texts stay).
bool loadQtTranslations();

} // namespace ui
