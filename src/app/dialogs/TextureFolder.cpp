#include "app/dialogs/TextureFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <map>

#include "app/common/FileFilters.h"
#include "platform/DataDirectory.h"

namespace zelvo {
namespace {

QStringList& OverrideFolders() {
    static QStringList folders;
    return folders;
}

}  // namespace

QStringList TextureFolders() {
    if (!OverrideFolders().isEmpty()) return OverrideFolders();
    const QDir program(QCoreApplication::applicationDirPath());
    QStringList folders{program.filePath(QStringLiteral("TEXTURE")), program.filePath(QStringLiteral("textures")),
                        QDir::cleanPath(program.filePath(QStringLiteral("../share/zelvo/textures")))};
    folders << QString::fromStdString((DataDirectory() / "textures").string());
    return folders;
}

void SetTextureFolders(const QStringList& folders) { OverrideFolders() = folders; }

std::vector<TTextureEntry> ListTextures(const QStringList& folders, const QString& patterns) {
    // Keyed by file name, so the list comes out sorted and a later folder's
    // file replaces an earlier one of the same name.
    std::map<QString, QString> byName;
    const QStringList patternList{patterns};
    for (const QString& folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files)
            if (MatchesPatternEntry(patternList, 0, file.fileName())) byName[file.fileName()] = file.filePath();
    }
    std::vector<TTextureEntry> entries;
    entries.reserve(byName.size());
    for (const auto& [name, path] : byName) entries.push_back({QFileInfo(name).completeBaseName(), path});
    return entries;
}

}  // namespace zelvo
