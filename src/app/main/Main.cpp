// zelvo: the image editor. Usage: zelvo [--language CODE] [picture or folder] [-DEFPOS]

#include <QStringList>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/common/Language.h"
#include "app/common/Settings.h"
#include "app/window/ZVApplication.h"
#include "app/window/ZVfrmMain.h"
#include "platform/Language.h"

int main(int argc, char** argv) {
    zelvo::TZVApplication app(argc, argv);
    app.QuitOnTerminationSignals();
    std::vector<std::string> args;
    for (const QString& argument : app.arguments().mid(1)) args.push_back(argument.toStdString());
    std::string language;
    try {
        language = zelvo::TakeLanguageOption(args);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "zelvo: %s\n", error.what());
        return 2;
    }
    // The captions are made with the first window: the catalogue comes first.
    zelvo::InstallInterfaceLanguage(language.empty() ? zelvo::LanguageSetting() : QString::fromStdString(language));
    QStringList arguments;
    for (const std::string& arg : args) arguments << QString::fromStdString(arg);
    zelvo::TZVfrmMain form(arguments);
    form.show();
    return app.exec();
}
