// Help commands: the topic finder, the pages about the program, the about
// box; F1 opens the main window's topic.

#include <QAction>

#include "app/common/HelpPages.h"
#include "app/window/ZVAboutBox.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {

void InstallHelpCommands(TZVfrmMain& form) {
    TZVfrmMain* f = &form;
    QObject::connect(form.Actions.mnuHelpTopics, &QAction::triggered, f, [] { ShowHelpTopic(0); });
    // The program's home and update pages are help pages of their own.
    QObject::connect(form.Actions.mnuHomePage, &QAction::triggered, f, [] { ShowHelpTopic(kHelpHomePage); });
    QObject::connect(form.Actions.mnuProductUpdate, &QAction::triggered, f, [] { ShowHelpTopic(kHelpProductUpdate); });
    QObject::connect(form.Actions.mnuAbout, &QAction::triggered, f, [f] { f->Modes.FAboutBox = ShowAboutBox(f); });
    auto* context = new QAction(f);
    context->setObjectName(QStringLiteral("actHelpContext"));
    context->setShortcut(QKeySequence(QKeySequence::HelpContents));
    QObject::connect(context, &QAction::triggered, f, [] { ShowHelpTopic(kHelpMainWindow); });
    f->addAction(context);
}

}  // namespace zelvo
