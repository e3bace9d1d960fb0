#pragma once
// Qt's own texts (context menus, the file dialog, standard buttons) in Chinese, like the rest of
// the windows.

namespace tarnwick {

// Loads Qt's Simplified Chinese translations from Qt's translations folder into the running
// application; false when they are not installed (Debian: qt6-translations-l10n), and Qt's texts
// stay English.
bool installQtTranslations();

}  // namespace tarnwick
