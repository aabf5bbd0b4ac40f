// Help commands: the topic finder, the pages about the program, the about
// box; F1 opens the main window's topic.

#include <QAction>

#include "app/common/HelpPages.h"
#include "app/window/CommandHandlers.h"
#include "app/window/ZVAboutBox.h"
#include "app/window/ZVfrmMain.h"

namespace zelvo {

void HelpTopicsClick(TZVfrmMain&) { ShowHelpTopic(0); }

// The program's home and update pages are help pages of their own.
void HomePageClick(TZVfrmMain&) { ShowHelpTopic(kHelpHomePage); }

void ProductUpdateClick(TZVfrmMain&) { ShowHelpTopic(kHelpProductUpdate); }

void AboutClick(TZVfrmMain& form) { form.Modes.FAboutBox = ShowAboutBox(&form); }

void SetUpHelpKey(TZVfrmMain& form) {
    auto* context = new QAction(&form);
    context->setObjectName(QStringLiteral("actHelpContext"));
    context->setShortcut(QKeySequence(QKeySequence::HelpContents));
    QObject::connect(context, &QAction::triggered, &form, [] { ShowHelpTopic(kHelpMainWindow); });
    form.addAction(context);
}

}  // namespace zelvo
