#pragma once
// The texture folder: the pictures the texture dialog offers. They come
// from the folders TextureFolders() names; a file counts when its
// lower-cased extension is one of the open dialog's picture extensions.

#include <QString>
#include <QStringList>

#include <vector>

namespace zelvo {

/// One texture: the name shown (the file name without its extension) and
/// the file.
struct TTextureEntry {
    QString Name;
    QString Path;
};

/// The folders searched, in order: "TEXTURE" and "textures" beside the
/// program, ../share/zelvo/textures beside it (where an installation puts
/// the textures shipped with the program), and the per-user data folder
/// ($XDG_DATA_HOME/zelvo/textures, by default ~/.local/share/zelvo/textures).
/// SetTextureFolders() replaces the list (tests); an empty list restores it.
QStringList TextureFolders();
void SetTextureFolders(const QStringList& folders);

/// The textures of `folders`: every file whose "." + lower-cased extension
/// + " " occurs in `patterns` (the open dialog's all-pictures pattern
/// entry, "*.bmp *.dib ... "), sorted by file name. A file name found in
/// more than one folder is listed once, from the last folder (so the
/// user's own folder can replace a shipped texture).
std::vector<TTextureEntry> ListTextures(const QStringList& folders, const QString& patterns);

}  // namespace zelvo
