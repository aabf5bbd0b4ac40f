// zelvo: the image editor. Usage: zelvo [picture or folder] [-DEFPOS]

#include <QStringList>

#include "app/window/ZVApplication.h"
#include "app/window/ZVfrmMain.h"

int main(int argc, char** argv) {
    zelvo::TZVApplication app(argc, argv);
    app.QuitOnTerminationSignals();
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    zelvo::TZVfrmMain form(arguments);
    form.show();
    return app.exec();
}
