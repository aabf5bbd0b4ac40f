#include "app/common/HelpPages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "app/common/Language.h"
#include "platform/Language.h"

namespace zelvo {

namespace {
QString& ChosenDirectory() {
    static QString directory;
    return directory;
}

int& LastTopic() {
    static int topic = -1;
    return topic;
}
}  // namespace

void SetHelpDirectory(const QString& directory) { ChosenDirectory() = directory; }

QString HelpDirectory() {
    if (!ChosenDirectory().isEmpty()) {
        return QFileInfo::exists(ChosenDirectory() + QStringLiteral("/index.html"))
                   ? QDir(ChosenDirectory()).absolutePath()
                   : QString();
    }
    const QString base = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {base + QStringLiteral("/help"), base + QStringLiteral("/../help"),
                                     base + QStringLiteral("/../share/zelvo/help")}) {
        if (QFileInfo::exists(candidate + QStringLiteral("/index.html"))) return QDir(candidate).absolutePath();
    }
    return {};
}

QUrl HelpPageUrl(int topic) {
    const QString dir = HelpDirectory();
    if (dir.isEmpty()) return {};
    // The pages of the interface's language are in a folder of its code; a
    // page not yet translated is the Japanese one.
    QStringList folders;
    if (InterfaceLanguage() != QLatin1String(kSourceLanguage)) folders << dir + QLatin1Char('/') + InterfaceLanguage();
    folders << dir;
    for (const QString& folder : folders) {
        const QString page = folder + QStringLiteral("/topic-%1.html").arg(topic);
        if (topic > 0 && QFileInfo::exists(page)) return QUrl::fromLocalFile(page);
    }
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QStringLiteral("/index.html")))
            return QUrl::fromLocalFile(folder + QStringLiteral("/index.html"));
    }
    return {};
}

std::function<bool(const QUrl&)>& HelpOpener() {
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

int LastHelpTopic() { return LastTopic(); }

bool ShowHelpTopic(int topic) {
    LastTopic() = topic;
    const QUrl url = HelpPageUrl(topic);
    return !url.isEmpty() && HelpOpener()(url);
}

}  // namespace zelvo
