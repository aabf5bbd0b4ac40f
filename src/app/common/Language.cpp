#include "app/common/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <memory>
#include <utility>
#include <vector>

#include "platform/Language.h"
#include "platform/MessageCatalogue.h"

namespace zelvo {

namespace {

// The engine's messages that are the program's own Japanese texts; those
// that carry a value have it as %1, %2. English engine texts ("Cannot open
// file ...") are shown as they are.
constexpr const char* kEngineMessages[] = {
    QT_TRANSLATE_NOOP("messages", "認識できない画像形式です"),
    QT_TRANSLATE_NOOP("messages", "JPEG イメージのサイズは変更できません"),
    QT_TRANSLATE_NOOP("messages", "JPEG エラー #%1"),
    QT_TRANSLATE_NOOP("messages", "TSPIs は複数生成できません"),
    QT_TRANSLATE_NOOP("messages", "%1は[%2]では使えないSusie Plugin APIです"),
    QT_TRANSLATE_NOOP("messages", "%1:Susie Pluginがロードできませんでした"),
    QT_TRANSLATE_NOOP("messages", "不正なストリーム フォーマット"),
    QT_TRANSLATE_NOOP("messages", "画像デコーダーのプロセスを起動できません"),
};

QString& ChosenLanguage() {
    static QString language = QString::fromLatin1(kSourceLanguage);
    return language;
}

QTranslator*& InstalledTranslator() {
    static QTranslator* translator = nullptr;
    return translator;
}

}  // namespace

QString TranslationsDirectory() {
    const QString base = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {base + QStringLiteral("/translations"), base + QStringLiteral("/../translations"),
                                     base + QStringLiteral("/../share/zelvo/translations")}) {
        if (QFileInfo(candidate).isDir()) return QDir(candidate).absolutePath();
    }
    return {};
}

QStringList AvailableLanguages() {
    const QString dir = TranslationsDirectory();
    if (dir.isEmpty()) return {};
    QStringList languages;
    for (const QString& file : QDir(dir).entryList({QStringLiteral("zelvo_*.qm")}, QDir::Files, QDir::Name)) {
        const QString code = file.mid(6, file.size() - 6 - 3);
        if (code != QLatin1String(kSourceLanguage)) languages << code;
    }
    return languages;
}

QString InstallInterfaceLanguage(const QString& requested) {
    // The environment as Qt's system locale reads it, through the same rules
    // as zelvo-cli, so both speak the same language on one desktop.
    const std::vector<std::string> desktop = DesktopLanguages();
    std::vector<std::string> available;
    for (const QString& language : AvailableLanguages()) available.push_back(language.toStdString());
    QString chosen = QString::fromStdString(ChooseLanguage(requested.toStdString(), desktop, available));
    // A second call switches: the catalogue installed before goes first.
    if (QTranslator* previous = std::exchange(InstalledTranslator(), nullptr)) {
        QCoreApplication::removeTranslator(previous);
        delete previous;
    }
    if (chosen != QLatin1String(kSourceLanguage)) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("zelvo_") + chosen, TranslationsDirectory())) {
            QCoreApplication::installTranslator(translator.get());
            InstalledTranslator() = translator.release();
        } else {
            // No catalogue at all (a build without translations): the
            // program's own texts.
            chosen = QString::fromLatin1(kSourceLanguage);
        }
    }
    ChosenLanguage() = chosen;
    return chosen;
}

QString InterfaceLanguage() { return ChosenLanguage(); }

QString EngineMessage(const std::string& message) {
    const std::string text = TranslateMessage(message, kEngineMessages, [](const char* source) {
        const QString translation = QCoreApplication::translate("messages", source);
        return translation == QString::fromUtf8(source) ? std::string() : translation.toStdString();
    });
    return QString::fromStdString(text);
}

QString EffectText(const std::string& source) { return QCoreApplication::translate("EffectTypes", source.c_str()); }

}  // namespace zelvo
