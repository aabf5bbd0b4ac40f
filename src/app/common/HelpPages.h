#pragma once
// The help: HTML pages shipped in the help/ folder, one page per topic
// number ("topic-2.html"), and an index page listing the topics. Pages open
// in the desktop's browser.

#include <QString>
#include <QUrl>

#include <functional>

namespace zelvo {

/// Help topics of the main window and the dialogs that name one.
inline constexpr int kHelpMainWindow = 2;
inline constexpr int kHelpBatchConvert = 76;
inline constexpr int kHelpSlideShow = 81;
/// The program's home page and its update page.
inline constexpr int kHelpHomePage = 1000;
inline constexpr int kHelpProductUpdate = 1001;

/// The help folder: the first of <program folder>/help,
/// <program folder>/../help and <program folder>/../share/zelvo/help that
/// holds index.html; empty when none does.
QString HelpDirectory();
/// Uses `directory` as the help folder instead (empty: search again).
void SetHelpDirectory(const QString& directory);
/// The page of a topic, or of the index for topic 0; falls back to the
/// index when the topic has no page. Empty URL without a help folder.
QUrl HelpPageUrl(int topic);
/// Opens a topic's page (0: the topic finder, the index). Returns false
/// when there is no page or the browser could not be started.
bool ShowHelpTopic(int topic);
/// How pages are opened; QDesktopServices::openUrl unless replaced (tests).
std::function<bool(const QUrl&)>& HelpOpener();

}  // namespace zelvo
