// zelvo: the image editor. Usage: zelvo [picture or folder] [-DEFPOS]

#include <QStringList>

#include "app/ZVApplication.h"
#include "app/ZVfrmMain.h"

int main(int argc, char** argv) {
    zelvo::TZVApplication app(argc, argv);
    app.QuitOnTerminationSignals();
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    zelvo::TZVfrmMain form(arguments);
    form.show();
    return app.exec();
}
