#pragma once

#include <QString>

#include <string>
#include <string_view>

// Texts of the search model in the dialogs' controls. The model holds bytes: valid UTF-8 is shown
// as UTF-8 and every other byte as Windows-1252. A text the user did not change goes back as
// the very bytes it came from, so showing a dialog and pressing OK never alters a search string
// or a path that is not UTF-8.
class TDialogText {
public:
    static QString Show(std::string_view bytes);
    // The bytes for `shown`: `original` when `shown` is what Show(original) gives, else UTF-8.
    static std::string Take(const QString& shown, const std::string& original);
    // The bytes of a path the platform gave (file dialogs, the folder tree).
    static std::string FromPath(const QString& path);
};
