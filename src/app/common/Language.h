#pragma once
// The editor's interface language. Japanese is the source text of every
// caption; another language comes from its catalogue,
// translations/zelvo_<code>.qm beside the editor (build tree) or in
// ../share/zelvo/translations (installed). The choice follows --language,
// then [Settings] Language (auto, ja, en), then the desktop's languages.

#include <QString>
#include <QStringList>

#include <string>

namespace zelvo {

/// The folder of the installed catalogues, or empty when none is found.
QString TranslationsDirectory();
/// The language codes that have a catalogue there, Japanese not counted.
QStringList AvailableLanguages();

/// Chooses the interface language for `requested` ("", "auto" or a code)
/// and the desktop's languages, and installs its catalogue into the
/// application; call it before the first window (captions made earlier
/// stay as they are). A later call replaces the catalogue. Returns the
/// chosen code; Japanese when the catalogue cannot be loaded.
QString InstallInterfaceLanguage(const QString& requested);
/// The language chosen by InstallInterfaceLanguage ("ja" before it runs).
QString InterfaceLanguage();

/// An engine message (an exception's text) in the interface language,
/// context "messages"; the values it carries stay.
QString EngineMessage(const std::string& message);
/// A caption, label or check-box text of an effect row (EffectTypes.cpp)
/// in the interface language.
QString EffectText(const std::string& source);

}  // namespace zelvo
