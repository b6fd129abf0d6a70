// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>
#include <string_view>

// Texts of the search model in the application's widgets, the one place where bytes become a
// QString and back. The model holds bytes: texts are shown as TTextDecoder reads them (valid
// UTF-8 as UTF-8, every other byte as Windows-1252). A text the user did not change goes back as
// the very bytes it came from, so showing a dialog and pressing OK never alters a search string
// or a path that is not UTF-8. Paths given to or taken from the platform (file dialogs, the
// folder tree, files opened by name) use the platform's file-name encoding instead.
class TDialogText {
public:
    static QString Show(std::string_view bytes);
    // The bytes for `shown`: `original` when `shown` is what Show(original) gives, else UTF-8.
    static std::string Take(const QString& shown, const std::string& original);
    // The UTF-8 bytes of a text of the program's own (captions, messages, link targets).
    static std::string Bytes(const QString& text);

    // A path of the model as the platform's file functions take it.
    static QString ShowPath(const std::string& path);
    // The bytes of a path the platform gave.
    static std::string FromPath(const QString& path);
    // The same for a path a dialog chose after being offered `offered`: QString cannot hold
    // every byte of a file name, so a path at or below the offered folder keeps that folder's
    // bytes.
    static std::string FromPath(const QString& path, const std::string& offered);
};
